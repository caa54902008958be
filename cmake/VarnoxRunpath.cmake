# Programs installed beside the library find it from wherever the tree was
# installed (--prefix included) and moved: their RUNPATH names the library
# folder relative to their own, through $ORIGIN, rather than an absolute
# path or none at all (which would leave only the system folders).
file(RELATIVE_PATH VARNOX_BIN_TO_LIB "/p/${CMAKE_INSTALL_BINDIR}" "/p/${CMAKE_INSTALL_LIBDIR}")

# varnox_install_runpath(TARGET...): installed copies of these programs load
# libvarnox from the installed library folder.
function(varnox_install_runpath)
  foreach(target IN LISTS ARGN)
    set_target_properties(${target} PROPERTIES INSTALL_RPATH "$ORIGIN/${VARNOX_BIN_TO_LIB}")
  endforeach()
endfunction()
