# Build helpers shared by every folder. A component is a family of files side by side:
# x.h (public, installed), x_p.h (internal), x.cpp, x_test.cpp. Test-only helpers are
# named *_testing.h / *_testing.cpp and go into the folder's test executable.

# Warnings every target of ours gets.
function(kz_set_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra)
  if(KZ_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()

if(KZ_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined -fno-sanitize-recover=all)
endif()

# kz_glob_folder(<dir> <sources-var> <tests-var> <headers-var>)
# Collects a folder's library sources, test sources and public headers.
function(kz_glob_folder dir out_sources out_tests out_headers)
  file(GLOB all_cpp CONFIGURE_DEPENDS ${dir}/*.cpp)
  file(GLOB test_cpp CONFIGURE_DEPENDS ${dir}/*_test.cpp ${dir}/*_testing.cpp)
  file(GLOB all_h CONFIGURE_DEPENDS ${dir}/*.h)
  file(GLOB hidden_h CONFIGURE_DEPENDS ${dir}/*_p.h ${dir}/*_testing.h)
  set(sources ${all_cpp})
  if(test_cpp)
    list(REMOVE_ITEM sources ${test_cpp})
  endif()
  set(headers ${all_h})
  if(hidden_h)
    list(REMOVE_ITEM headers ${hidden_h})
  endif()
  set(${out_sources} ${sources} PARENT_SCOPE)
  set(${out_tests} ${test_cpp} PARENT_SCOPE)
  set(${out_headers} ${headers} PARENT_SCOPE)
endfunction()

# kz_install_headers(<dir relative to the source root> <headers...>)
function(kz_install_headers reldir)
  if(ARGN)
    install(FILES ${ARGN} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/${reldir})
  endif()
endfunction()

# kz_add_test(<name> SOURCES ... LIBS ...): one test executable, registered with CTest.
function(kz_add_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  if(NOT KZ_BUILD_TESTS OR NOT ARG_SOURCES)
    return()
  endif()
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gmock GTest::gtest GTest::gtest_main)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  kz_set_warnings(${name})
  add_test(NAME ${name} COMMAND ${name} --gtest_brief=1)
  set_tests_properties(${name} PROPERTIES ENVIRONMENT "LANG=C;LC_ALL=;LC_MESSAGES=")
endfunction()
