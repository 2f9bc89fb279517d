# Client code for Wayland protocols, made by wayland-scanner (libwayland-bin).
# zorvane_wayland_protocol(<target> <protocol.xml>) adds <name>-client.h and
# <name>.c to the target and puts the header folder on its include path.
find_program(WAYLAND_SCANNER wayland-scanner REQUIRED)
pkg_get_variable(WAYLAND_PROTOCOLS_DIR wayland-protocols pkgdatadir)

function(zorvane_wayland_protocol target xml)
  get_filename_component(name ${xml} NAME_WE)
  set(dir ${CMAKE_CURRENT_BINARY_DIR}/${target}-wayland)
  add_custom_command(OUTPUT ${dir}/${name}-client.h ${dir}/${name}.c
    COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
    COMMAND ${WAYLAND_SCANNER} client-header ${xml} ${dir}/${name}-client.h
    COMMAND ${WAYLAND_SCANNER} private-code ${xml} ${dir}/${name}.c
    DEPENDS ${xml} VERBATIM)
  target_sources(${target} PRIVATE ${dir}/${name}-client.h ${dir}/${name}.c)
  target_include_directories(${target} PUBLIC ${dir})
endfunction()
