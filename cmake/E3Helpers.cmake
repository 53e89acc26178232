# One library per source folder: every .cpp in the folder belongs to it.
function(e3_folder_library name)
  cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(sources)
    add_library(${name} STATIC ${sources})
    set(scope PUBLIC)
  else()
    add_library(${name} INTERFACE)
    set(scope INTERFACE)
  endif()
  target_include_directories(${name} ${scope} ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/src/lib)
  target_link_libraries(${name} ${scope} ${ARG_LIBS})
  # Remembered for the include check: which folder the library is, so that a
  # header can be traced to the library that owns it.
  file(RELATIVE_PATH folder ${PROJECT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR})
  set_property(GLOBAL APPEND PROPERTY E3_FOLDER_LIBRARIES ${name})
  set_property(GLOBAL PROPERTY E3_FOLDER_OF_${name} ${folder})
endfunction()

# Every folder library's folder and the folder libraries whose headers it may
# use (those it links, and those they link publicly), written for cmake/CheckTargets.cmake: a source may include
# only headers of its own folder or of a library it links.
function(e3_write_target_map)
  get_property(all GLOBAL PROPERTY E3_FOLDER_LIBRARIES)
  set(text "set(E3_TARGETS ${all})\n")
  foreach(name IN LISTS all)
    set(seen "")
    set(visited ${name})
    set(queue ${name})
    while(queue)
      list(POP_FRONT queue t)
      get_target_property(type ${t} TYPE)
      set(libs "")
      if(NOT type STREQUAL "INTERFACE_LIBRARY")
        get_target_property(direct ${t} LINK_LIBRARIES)
        if(direct)
          list(APPEND libs ${direct})
        endif()
      endif()
      get_target_property(iface ${t} INTERFACE_LINK_LIBRARIES)
      if(iface)
        list(APPEND libs ${iface})
      endif()
      # Other libraries of the project (not folder libraries) are passed
      # through; imported ones and link-only entries give no headers.
      foreach(lib IN LISTS libs)
        if(NOT TARGET ${lib} OR lib IN_LIST visited)
          continue()
        endif()
        get_target_property(imported ${lib} IMPORTED)
        if(imported)
          continue()
        endif()
        list(APPEND visited ${lib})
        list(APPEND queue ${lib})
        if(lib IN_LIST all)
          list(APPEND seen ${lib})
        endif()
      endforeach()
    endwhile()
    get_property(folder GLOBAL PROPERTY E3_FOLDER_OF_${name})
    string(APPEND text "set(E3_FOLDER_${name} ${folder})\nset(E3_LINKS_${name} ${seen})\n")
  endforeach()
  file(WRITE ${PROJECT_BINARY_DIR}/layers/targets.cmake "${text}")
endfunction()
cmake_language(DEFER DIRECTORY ${PROJECT_SOURCE_DIR} CALL e3_write_target_map)

# One test program per test folder: every *_test.cpp in the folder, with ctest
# label LABEL: unit (plain main), gui or e2e (whole sessions); the last two run
# under a QApplication. Tests run on Qt's offscreen platform.
function(e3_folder_tests name)
  cmake_parse_arguments(ARG "" "LABEL" "LIBS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(NOT sources)
    return()
  endif()
  if(ARG_LABEL STREQUAL "unit")
    set(main ${PROJECT_SOURCE_DIR}/tests/support/main/main_plain.cpp)
  elseif(ARG_LABEL STREQUAL "gui" OR ARG_LABEL STREQUAL "e2e")
    set(main ${PROJECT_SOURCE_DIR}/tests/support/main/main_gui.cpp)
    list(APPEND ARG_LIBS Qt6::Widgets)
  else()
    message(FATAL_ERROR "e3_folder_tests: unknown label '${ARG_LABEL}'")
  endif()
  add_executable(${name} ${sources} ${main})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} e3testsupport GTest::gtest GTest::gmock)
  target_compile_definitions(${name} PRIVATE
    E3_TEST_DATA_DIR="${CMAKE_CURRENT_SOURCE_DIR}/data"
    E3_BUILD_DIR="${PROJECT_BINARY_DIR}")
  gtest_discover_tests(${name}
    PROPERTIES LABELS ${ARG_LABEL}
               ENVIRONMENT "QT_QPA_PLATFORM=offscreen"
    DISCOVERY_TIMEOUT 60)
endfunction()

# A libFuzzer target: fuzz/NAME/NAME.cpp defines LLVMFuzzerTestOneInput, with
# fuzz/NAME/corpus (seeds) and fuzz/NAME/crashes (reproducers kept as fixtures).
# Every build runs the seeds and reproducers through the target (ctest label
# fuzz-smoke); with E3_FUZZ the real fuzzer is built as well and gets a short run.
function(e3_fuzz_target name)
  cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
  set(dir ${CMAKE_CURRENT_SOURCE_DIR}/${name})
  add_executable(${name}_smoke ${dir}/${name}.cpp ${CMAKE_CURRENT_SOURCE_DIR}/smoke_main.cpp)
  target_link_libraries(${name}_smoke PRIVATE ${ARG_LIBS})
  add_test(NAME fuzz.${name}.smoke COMMAND ${name}_smoke ${dir}/corpus ${dir}/crashes)
  set_tests_properties(fuzz.${name}.smoke PROPERTIES LABELS fuzz-smoke ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
  if(E3_FUZZ)
    add_executable(${name}_fuzzer ${dir}/${name}.cpp)
    target_compile_options(${name}_fuzzer PRIVATE -fsanitize=fuzzer)
    target_link_options(${name}_fuzzer PRIVATE -fsanitize=fuzzer)
    target_link_libraries(${name}_fuzzer PRIVATE ${ARG_LIBS})
    # New inputs go to a scratch folder in the build tree, never into the sources.
    set(work ${CMAKE_CURRENT_BINARY_DIR}/${name}_corpus)
    file(MAKE_DIRECTORY ${work})
    add_test(NAME fuzz.${name}.run
             COMMAND ${name}_fuzzer -max_total_time=10 -rss_limit_mb=2048 ${work} ${dir}/corpus)
    set_tests_properties(fuzz.${name}.run PROPERTIES LABELS fuzz-smoke ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
  endif()
endfunction()
