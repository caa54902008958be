# Wayland support for the Linux window target: found through pkg-config
# (wayland-client, wayland-egl, xkbcommon, wayland-protocols) and
# wayland-scanner. Sets VARNOX_WAYLAND and, when found, makes
# varnox_wayland_protocols: the xdg-shell and xdg-decoration client code,
# generated at build time, with the Wayland libraries as its interface.
find_package(PkgConfig QUIET)
set(VARNOX_WAYLAND OFF)
if(PKG_CONFIG_FOUND)
  pkg_check_modules(VNX_WAYLAND QUIET IMPORTED_TARGET GLOBAL wayland-client wayland-egl xkbcommon)
  pkg_get_variable(VNX_WAYLAND_PROTOCOLS wayland-protocols pkgdatadir)
  find_program(VNX_WAYLAND_SCANNER wayland-scanner)
endif()
if(NOT VNX_WAYLAND_FOUND OR NOT VNX_WAYLAND_PROTOCOLS OR NOT VNX_WAYLAND_SCANNER)
  message(STATUS "Wayland: not found (wayland-client, wayland-egl, xkbcommon, wayland-protocols, "
    "wayland-scanner): the window target serves X11 only")
  return()
endif()
message(STATUS "Wayland: found; the window target serves Wayland and X11")
set(VARNOX_WAYLAND ON)

set(protocols_dir ${PROJECT_BINARY_DIR}/wayland-protocols)
set(protocol_sources)
foreach(xml stable/xdg-shell/xdg-shell.xml unstable/xdg-decoration/xdg-decoration-unstable-v1.xml)
  get_filename_component(name ${xml} NAME_WE)
  set(protocol_xml ${VNX_WAYLAND_PROTOCOLS}/${xml})
  add_custom_command(
    OUTPUT ${protocols_dir}/${name}-client-protocol.h ${protocols_dir}/${name}-protocol.c
    COMMAND ${CMAKE_COMMAND} -E make_directory ${protocols_dir}
    COMMAND ${VNX_WAYLAND_SCANNER} client-header ${protocol_xml} ${protocols_dir}/${name}-client-protocol.h
    COMMAND ${VNX_WAYLAND_SCANNER} private-code ${protocol_xml} ${protocols_dir}/${name}-protocol.c
    DEPENDS ${protocol_xml}
    COMMENT "wayland-scanner: ${name}")
  list(APPEND protocol_sources ${protocols_dir}/${name}-protocol.c ${protocols_dir}/${name}-client-protocol.h)
endforeach()
# Generated code: compiled without the project's warnings, its symbols
# hidden (wayland-scanner's private code marks them so).
add_library(varnox_wayland_protocols OBJECT ${protocol_sources})
set_target_properties(varnox_wayland_protocols PROPERTIES C_VISIBILITY_PRESET hidden)
target_include_directories(varnox_wayland_protocols PUBLIC ${protocols_dir})
target_link_libraries(varnox_wayland_protocols PUBLIC PkgConfig::VNX_WAYLAND)
