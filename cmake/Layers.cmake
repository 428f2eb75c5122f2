# One library per layer. A layer's sources are the .cpp and .h files directly in the
# folders it names (a new folder joins no layer until it is named here). Each library
# sees the headers of its own folders and, through its links, of the layers below it:
# its headers are staged as links under <build>/layers/<library>/<folder>/, and that
# stage is the only include folder it exposes. So `#include "server/STCommands.h"` from
# controller/ does not compile. scripts/check-layers.sh says the same in words.

set(KELVORIN_LAYER_STAGE ${CMAKE_BINARY_DIR}/layers)
file(REMOVE_RECURSE ${KELVORIN_LAYER_STAGE})  # headers that moved or went leave no link

# kelvorin_layer(NAME [INTERFACE] FOLDERS dir... [LINKS target...] [EXCLUDE regex])
function(kelvorin_layer name)
  cmake_parse_arguments(L "INTERFACE" "EXCLUDE" "FOLDERS;LINKS" ${ARGN})
  set(stage ${KELVORIN_LAYER_STAGE}/${name})
  set(sources)
  set(headers)
  foreach(dir ${L_FOLDERS})
    file(GLOB found_cpp CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${dir}/*.cpp)
    file(GLOB found_h CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${dir}/*.h)
    if(L_EXCLUDE)
      list(FILTER found_cpp EXCLUDE REGEX "${L_EXCLUDE}")
    endif()
    list(APPEND sources ${found_cpp})
    list(APPEND headers ${found_h})
    file(MAKE_DIRECTORY ${stage}/${dir})
    foreach(header ${found_h})
      get_filename_component(file_name ${header} NAME)
      file(CREATE_LINK ${header} ${stage}/${dir}/${file_name} SYMBOLIC)
    endforeach()
  endforeach()
  if(L_INTERFACE)
    add_library(${name} INTERFACE ${headers})
    target_include_directories(${name} INTERFACE ${stage})
    target_link_libraries(${name} INTERFACE ${L_LINKS})
  else()
    add_library(${name} STATIC ${sources} ${headers})
    target_include_directories(${name} PUBLIC ${stage})
    target_link_libraries(${name} PUBLIC ${L_LINKS})
    kelvorin_warnings(${name})
  endif()
endfunction()

# The Qt-free layers, lowest first. Each line may use only the lines above it.
kelvorin_layer(k_common FOLDERS common LINKS Threads::Threads)
kelvorin_layer(k_sim FOLDERS sim EXCLUDE "/sim/main\\.cpp$")
kelvorin_layer(k_platform FOLDERS platform LINKS k_common k_sim)
kelvorin_layer(k_parfiles FOLDERS parfiles LINKS k_platform)
kelvorin_layer(k_controller FOLDERS controller LINKS k_platform)
kelvorin_layer(k_domain FOLDERS domain zaxis positions joystick interp
               LINKS k_parfiles k_controller)
kelvorin_layer(k_server FOLDERS server LINKS k_domain)
kelvorin_layer(k_panels FOLDERS panels LINKS k_server)
kelvorin_layer(k_core INTERFACE FOLDERS core LINKS k_panels)

# The Qt and SDL layers (not in the fuzz build).
macro(kelvorin_qt_layers)
  set(CMAKE_AUTOMOC ON)
  kelvorin_layer(k_platform_qt FOLDERS platform/qt platform/sdl
                 LINKS k_platform Qt6::Core Qt6::Gui Qt6::Widgets Qt6::SerialPort SDL2::SDL2)
  kelvorin_layer(k_endpoint FOLDERS server/qt LINKS k_server k_platform_qt Qt6::Network)
  kelvorin_layer(k_ui FOLDERS ui LINKS k_core k_platform_qt Qt6::Widgets Qt6::PrintSupport)
endmacro()
