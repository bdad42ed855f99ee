# The layers of the program and which headers each may include.
#
#   core (registry/ recent/ tray/ about/)   sees the platform's declarations (platform/*.h)
#   platform (platform/*.cpp)               sees the platform's declarations
#   emulation (platform/emu/)               sees the declarations and itself
#   terminal runtime (platform/terminal/)   sees the declarations, the emulation and itself
#   Win32 runtime (platform/win/)           sees the declarations and itself
#   vtrreg (tools/vtrreg/)                  sees the declarations, registry/ and itself
#
# Each layer's sources are compiled against an include tree of its own in
# the build folder, made of links to just what the layer may see, and never
# against the source tree: an include that crosses a layer the wrong way
# ("platform/emu/..." from the core, "registry/..." from the emulation) is
# not found, and the build fails. Programs and tests see the whole tree
# (the target vtrsourcetree).

# vtr_layer_includes(TARGET LAYER ITEM...): TARGET's sources see only the
# ITEMs, each a folder of the source tree ("registry", "platform/emu") or
# "platform-api" for the platform's declarations (the headers directly in
# platform/), plus the generated headers.
function(vtr_layer_includes target layer)
  set(root ${CMAKE_BINARY_DIR}/layers/${layer})
  file(MAKE_DIRECTORY ${root})
  foreach(item ${ARGN})
    if(item STREQUAL "platform-api")
      file(MAKE_DIRECTORY ${root}/platform)
      file(GLOB headers CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/platform/*.h)
      foreach(header ${headers})
        get_filename_component(name ${header} NAME)
        file(CREATE_LINK ${header} ${root}/platform/${name} SYMBOLIC)
      endforeach()
    else()
      get_filename_component(parent ${root}/${item} DIRECTORY)
      file(MAKE_DIRECTORY ${parent})
      file(CREATE_LINK ${CMAKE_SOURCE_DIR}/${item} ${root}/${item} SYMBOLIC)
    endif()
  endforeach()
  target_include_directories(${target} PRIVATE ${root} ${CMAKE_BINARY_DIR}/generated)
  set_property(TARGET ${target} PROPERTY VTR_LAYER_ROOT ${root})
endfunction()

# vtr_wrong_way_include(NAME TARGET HEADER): a test that compiles an include
# of HEADER with TARGET's view of the tree and passes only when the compiler
# cannot find it: the layering holds.
function(vtr_wrong_way_include name target header)
  set(probe ${CMAKE_BINARY_DIR}/layers/probes/${name}.cpp)
  file(WRITE ${probe} "#include \"${header}\"\n")
  add_library(${name} OBJECT EXCLUDE_FROM_ALL ${probe})
  get_property(root TARGET ${target} PROPERTY VTR_LAYER_ROOT)
  target_include_directories(${name} PRIVATE ${root} ${CMAKE_BINARY_DIR}/generated)
  add_test(NAME ${name} COMMAND ${CMAKE_COMMAND} --build ${CMAKE_BINARY_DIR} --target ${name})
  string(REPLACE "." "\\." pattern "${header}")
  set_tests_properties(${name} PROPERTIES PASS_REGULAR_EXPRESSION "${pattern}: No such file"
                       RESOURCE_LOCK build_tree LABELS layering)
endfunction()
