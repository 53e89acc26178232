# One library per source folder: every .cpp in the folder belongs to it.
function(e3_folder_library name)
  cmake_parse_arguments(ARG "" "" "LIBS;ROOTS" ${ARGN})
  # The include roots the library gives itself and its users: by default both,
  # src (framework, platform, client, submission, transports) and src/lib (u3,
  # e3). u3 names only src/lib, so the compiler refuses it everything under src;
  # e3 shares src/lib with it and is left to the include checks.
  if(NOT ARG_ROOTS)
    set(ARG_ROOTS src src/lib)
  endif()
  list(TRANSFORM ARG_ROOTS PREPEND ${PROJECT_SOURCE_DIR}/)
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(sources)
    add_library(${name} STATIC ${sources})
    set(scope PUBLIC)
  else()
    add_library(${name} INTERFACE)
    set(scope INTERFACE)
  endif()
  target_include_directories(${name} ${scope} ${ARG_ROOTS})
  target_link_libraries(${name} ${scope} ${ARG_LIBS})
  # Remembered for the include check: which folder the library is, so that a
  # header can be traced to the library that owns it.
  file(RELATIVE_PATH folder ${PROJECT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR})
  set_property(GLOBAL APPEND PROPERTY E3_FOLDER_LIBRARIES ${name})
  set_property(GLOBAL PROPERTY E3_FOLDER_OF_${name} ${folder})
endfunction()

# The project's targets under DIR and its subdirectories.
function(_e3_targets_below dir out)
  get_property(found DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
  get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
  foreach(sub IN LISTS subdirs)
    _e3_targets_below(${sub} more)
    list(APPEND found ${more})
  endforeach()
  set(${out} ${found} PARENT_SCOPE)
endfunction()

# For cmake/CheckTargets.cmake, which refuses a source that includes a header
# of a library it does not link: every library and program built from src, the
# files it owns (a folder library its whole folder, any other its listed
# sources) and the libraries whose headers it may use (those it links, and
# those they link publicly).
function(e3_write_target_map)
  get_property(folderLibraries GLOBAL PROPERTY E3_FOLDER_LIBRARIES)
  _e3_targets_below(${PROJECT_SOURCE_DIR} candidates)
  set(all "")
  set(text "")
  foreach(name IN LISTS candidates)
    get_target_property(type ${name} TYPE)
    get_target_property(dir ${name} SOURCE_DIR)
    if(NOT type MATCHES "^(STATIC_LIBRARY|INTERFACE_LIBRARY|EXECUTABLE)$" OR NOT dir MATCHES "^${PROJECT_SOURCE_DIR}/src(/|$)")
      continue()
    endif()
    list(APPEND all ${name})
    if(name IN_LIST folderLibraries)
      get_property(folder GLOBAL PROPERTY E3_FOLDER_OF_${name})
      string(APPEND text "set(E3_FOLDER_${name} ${folder})\n")
    else()
      get_target_property(sources ${name} SOURCES)
      set(stems "")
      foreach(source IN LISTS sources)
        get_filename_component(source ${source} ABSOLUTE BASE_DIR ${dir})
        if(source MATCHES "^${PROJECT_SOURCE_DIR}/src/.*\\.cpp$")
          file(RELATIVE_PATH source ${PROJECT_SOURCE_DIR} ${source})
          string(REGEX REPLACE "\\.cpp$" "" stem ${source})
          list(APPEND stems ${stem})
        endif()
      endforeach()
      string(APPEND text "set(E3_STEMS_${name} ${stems})\n")
    endif()
  endforeach()
  foreach(name IN LISTS all)
    set(seen "")
    set(visited ${name})
    set(queue ${name})
    while(queue)
      list(POP_FRONT queue t)
      get_target_property(type ${t} TYPE)
      set(libs "")
      # The target's own links, private ones included; of the libraries it
      # reaches, only what they pass on.
      if(t STREQUAL name AND NOT type STREQUAL "INTERFACE_LIBRARY")
        get_target_property(libs ${t} LINK_LIBRARIES)
      else()
        get_target_property(libs ${t} INTERFACE_LINK_LIBRARIES)
      endif()
      if(NOT libs)
        continue()
      endif()
      # Imported libraries and link-only entries give no headers of ours.
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
    string(APPEND text "set(E3_LINKS_${name} ${seen})\n")
  endforeach()
  file(WRITE ${PROJECT_BINARY_DIR}/layers/targets.cmake "set(E3_TARGETS ${all})\n${text}")
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
