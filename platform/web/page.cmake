# How the program links in the web build (included by the top CMakeLists.txt
# when emscripten builds; scripts/web drives it):
#   nurumo       nurumo.js + nurumo.wasm for the page: the blocking main loop
#                and the modal boxes run unchanged under ASYNCIFY, the saves
#                live in IndexedDB (IDBFS), the page starts it with the
#                options from its address
#   nurumo-node  the same objects for node with the host's files, for the
#                headless traces and the tests
set(web_funcs ${CMAKE_CURRENT_BINARY_DIR}/web-library-funcs.rsp)
# SDL2's audio needs these two; through a response file, as make mangles the $.
file(WRITE ${web_funcs} "-sDEFAULT_LIBRARY_FUNCS_TO_INCLUDE=[\"$autoResumeAudioContext\",\"$dynCall\"]\n")
set(web_common -O2 -sALLOW_MEMORY_GROWTH=1 -sINITIAL_MEMORY=67108864 -sEXIT_RUNTIME=1 @${web_funcs})

target_link_options(nurumo PRIVATE ${web_common} -sENVIRONMENT=web -sASYNCIFY -sASYNCIFY_STACK_SIZE=131072
  -sFORCE_FILESYSTEM=1 -lidbfs.js -sINVOKE_RUN=0 -sEXPORTED_RUNTIME_METHODS=[FS,IDBFS,callMain,ENV])
set_target_properties(nurumo PROPERTIES SUFFIX .js)

# What every program of the web build starts with (platform/web/start.cpp):
# linked as objects, since nothing calls into it.
add_library(nurumo_web_start OBJECT platform/web/start.cpp)
target_link_libraries(nurumo PRIVATE nurumo_web_start)

add_executable(nurumo-node app/main.cpp)
target_link_libraries(nurumo-node PRIVATE nurumo_app nurumo_web_start)
target_link_options(nurumo-node PRIVATE ${web_common} -sENVIRONMENT=node -sNODERAWFS=1)
set_target_properties(nurumo-node PROPERTIES SUFFIX .js)

# The test programs under node (scripts/web test-node): GoogleTest from the
# sources Debian's libgtest-dev carries, every test program linked for node
# with the host's files, run by ctest through node-run. Those that start
# another program cannot run there (node has no fork): NURUMO_WEB_NO_NODE.
if(NURUMO_TESTS)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  if(NOT TARGET GTest::gtest)  # newer GoogleTest names them itself
    add_library(GTest::gtest ALIAS gtest)
    add_library(GTest::gtest_main ALIAS gtest_main)
  endif()
  # Linked without binaryen's optimizing (-O0 last): a quarter of the time.
  add_link_options(${web_common} -O0 -sENVIRONMENT=node -sNODERAWFS=1)
  link_libraries(nurumo_web_start)
  # Each starts the built program (tests/program_runs.h) or a tool, or
  # (sim_test) tests a desktop tool the web build does not make.
  set(NURUMO_WEB_NO_NODE bundled_game_test content_test nurumo_script_test replay_test rollback_test run_test shell_test
      snapshot_test sim_test)
endif()
