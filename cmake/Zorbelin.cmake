# Shared build rules: warnings, sanitizers, one library per folder, tests per library.

set(ZB_CHECK_INCLUDES ${CMAKE_CURRENT_LIST_DIR}/CheckIncludes.cmake)

function(zb_compile_options target)
  target_compile_options(${target} PRIVATE -Wall -Wextra)
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
    # GCC 12 optimising std::string's replace/insert sees overlapping copies that cannot happen and
    # warns in every file that concatenates strings: the one real warning would drown in them.
    target_compile_options(${target} PRIVATE -Wno-restrict)
  endif()
  if(ZB_SANITIZE)
    # float-cast-overflow is not part of "undefined" but a double out of range cast to an
    # integer is undefined all the same (dates and sizes read from shared files).
    target_compile_options(${target} PRIVATE -fsanitize=address,undefined,float-cast-overflow
                                             -fno-omit-frame-pointer
                                             -fno-sanitize-recover=undefined,float-cast-overflow)
    target_link_options(${target} PUBLIC -fsanitize=address,undefined,float-cast-overflow)
  endif()
  if(ZB_TSAN)
    target_compile_options(${target} PRIVATE -fsanitize=thread -fno-omit-frame-pointer)
    target_link_options(${target} PUBLIC -fsanitize=thread)
  endif()
endfunction()

# zb_library(name sources...): a static library whose own folder is its include directory.
function(zb_library name)
  add_library(${name} STATIC ${ARGN})
  target_include_directories(${name} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
  zb_compile_options(${name})
  file(GLOB headers ${CMAKE_CURRENT_SOURCE_DIR}/*.h ${CMAKE_CURRENT_SOURCE_DIR}/private/*.h)
  zb_check_includes(${name} ${ARGN} ${headers})
endfunction()

# zb_check_includes(target files...): the target is built only once none of its files includes a
# header by a path that climbs out of its folder or starts at the root (cmake/CheckIncludes.cmake);
# the check runs again whenever one of the files changes.
function(zb_check_includes target)
  set(files)
  foreach(f IN LISTS ARGN)
    get_filename_component(f "${f}" ABSOLUTE)
    list(APPEND files "${f}")
  endforeach()
  set(stamp ${CMAKE_CURRENT_BINARY_DIR}/${target}.includes-checked)
  string(REPLACE ";" "|" joined "${files}")
  add_custom_command(OUTPUT ${stamp}
    COMMAND ${CMAKE_COMMAND} "-DFILES=${joined}" -DSTAMP=${stamp} -P ${ZB_CHECK_INCLUDES}
    DEPENDS ${files} ${ZB_CHECK_INCLUDES}
    COMMENT "Checking the includes of ${target}" VERBATIM)
  add_custom_target(${target}_includes DEPENDS ${stamp})
  add_dependencies(${target} ${target}_includes)
endfunction()

# zb_test(name sources... LIBS libs... [ENV k=v]): a GoogleTest executable run by ctest.
function(zb_test name)
  cmake_parse_arguments(T "" "" "LIBS;ENV" ${ARGN})
  add_executable(${name} ${T_UNPARSED_ARGUMENTS} ${PROJECT_SOURCE_DIR}/tests/support/TestDefaults.cpp)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  target_link_libraries(${name} PRIVATE ${T_LIBS} zb_testsupport GTest::gtest GTest::gtest_main Threads::Threads)
  zb_compile_options(${name})
  target_compile_definitions(${name} PRIVATE ZB_TEST_FONTCONFIG="${ZB_TEST_FONTCONFIG}")
  # Sanitizer options and the offscreen platform are built into every test program
  # (tests/support/TestDefaults.cpp); ENV adds one variable per test run.
  if(T_ENV)
    list(LENGTH T_ENV n)
    if(n GREATER 1)
      message(FATAL_ERROR "zb_test(${name}): ENV takes one variable; set more in the test program")
    endif()
    set(props ENVIRONMENT "${T_ENV}")
  endif()
  gtest_discover_tests(${name}
    DISCOVERY_TIMEOUT 120
    PROPERTIES TIMEOUT 300 ${props})
endfunction()

find_package(Threads REQUIRED)

# zb_add_pictures(target): target becomes the program's pictures compiled in with Qt's resource
# compiler, where "RES://name", the controls, the alarm popup and the tray icon find them by name: the
# ones kept in resources/Bilder and the ones resources/Bilder/MaleProgrammbilder.cpp draws at build
# time. A program that links target (directly or through a library) gets the compiled pictures and
# nothing else: no folder above the platform reaches Qt's headers through them.
function(zb_add_pictures target)
  file(GLOB pictures CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/resources/Bilder/*.bmp
                                       ${PROJECT_SOURCE_DIR}/resources/Bilder/*.xpm)
  # The compiled resources register themselves when the program starts, so their objects go into the
  # program itself: from a static library's archive nobody would pull them.
  add_library(${target}_objects OBJECT)
  qt_add_resources(${target}_objects zb_pictures PREFIX /res BASE ${PROJECT_SOURCE_DIR}/resources/Bilder FILES ${pictures})
  set(folder ${CMAKE_CURRENT_BINARY_DIR}/${target}_bilder)
  set(drawn)
  foreach(name KDVTODO01 KDVTODO02 KDVTODO03 CHECKBOX BACKGROUND2 AdvSpinUp AdvSpinDown
               MENUUEBER MENUHILFE MENUEINSTELLUNGEN)
    list(APPEND drawn ${folder}/${name}.bmp)
  endforeach()
  add_custom_command(OUTPUT ${drawn}
    COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen $<TARGET_FILE:male_programmbilder> ${folder}
    DEPENDS male_programmbilder
    COMMENT "The program's drawn pictures for ${target}"
    VERBATIM)
  qt_add_resources(${target}_objects zb_drawn_pictures PREFIX /res BASE ${folder} FILES ${drawn})
  add_library(${target} INTERFACE)
  target_link_libraries(${target} INTERFACE $<TARGET_OBJECTS:${target}_objects> $<LINK_ONLY:Qt6::Core>)
endfunction()

# zb_drawing_tool(name source): a small program of ours that draws pictures at build time; it runs
# offscreen from a custom command.
function(zb_drawing_tool name source)
  find_package(Qt6 REQUIRED COMPONENTS Gui)
  add_executable(${name} ${source})
  target_link_libraries(${name} PRIVATE Qt6::Gui)
  target_compile_options(${name} PRIVATE -Wall -Wextra)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tools)
endfunction()
