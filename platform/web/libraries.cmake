# The web build's libraries: those scripts/libs/web built into
# NURUMO_WEB_LIBS, linked by their file paths (emcc would reach for its own
# downloadable ports at a bare -lSDL2), under the names the desktop build's
# find_package gives. Included by the top CMakeLists.txt when emscripten builds.
if(NOT NURUMO_WEB_LIBS)
  message(FATAL_ERROR "NURUMO_WEB_LIBS: the folder scripts/libs/web built (scripts/web sets it)")
endif()
set(web_lib ${NURUMO_WEB_LIBS}/lib)
set(web_inc ${NURUMO_WEB_LIBS}/include)

function(nurumo_web_library name)
  add_library(${name} INTERFACE IMPORTED GLOBAL)
  list(TRANSFORM ARGN PREPEND ${web_lib}/)
  set_target_properties(${name} PROPERTIES INTERFACE_LINK_LIBRARIES "${ARGN}"
    INTERFACE_INCLUDE_DIRECTORIES "${web_inc};${web_inc}/SDL2;${web_inc}/freetype2")
endfunction()

nurumo_web_library(ZLIB::ZLIB libz.a)
nurumo_web_library(JPEG::JPEG libjpeg.a)
nurumo_web_library(Freetype::Freetype libfreetype.a libz.a)
nurumo_web_library(SDL2::SDL2 libSDL2.a)
nurumo_web_library(SDL2_ttf::SDL2_ttf libSDL2_ttf.a libharfbuzz.a libfreetype.a libz.a)
nurumo_web_library(SDL2_image::SDL2_image libSDL2_image.a)
nurumo_web_library(SDL2_mixer::SDL2_mixer libSDL2_mixer.a)
add_library(Fontconfig::Fontconfig INTERFACE IMPORTED GLOBAL)  # none: the faces are at fixed paths
add_library(Threads::Threads INTERFACE IMPORTED GLOBAL)        # none: one thread

# Exceptions are off in emscripten unless asked for; the game uses them.
add_compile_options(-fexceptions)
add_link_options(-fexceptions)

# What only the page has, in place of the desktop's own.
set(NURUMO_PLATFORM_REPLACED ${CMAKE_CURRENT_SOURCE_DIR}/platform/posix/fonts.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/platform/rendered_music.cpp ${CMAKE_CURRENT_SOURCE_DIR}/platform/machine.cpp)
file(GLOB NURUMO_PLATFORM_ADDED CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/platform/web/*.cpp)
