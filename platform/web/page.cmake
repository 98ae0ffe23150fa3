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

add_executable(nurumo-node app/main.cpp)
target_link_libraries(nurumo-node PRIVATE nurumo_app)
target_link_options(nurumo-node PRIVATE ${web_common} -sENVIRONMENT=node -sNODERAWFS=1)
set_target_properties(nurumo-node PROPERTIES SUFFIX .js)
