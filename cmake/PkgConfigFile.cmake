# zembra_install_pkgconfig(TEMPLATE): installs the pkg-config file TEMPLATE
# (NAME.pc.in) as LIBDIR/pkgconfig/NAME.pc. The file is written at install
# time, so its paths name the prefix actually installed to: the one given to
# `cmake --install --prefix` or the package's /usr, never the build tree.
# The template may use @prefix@, @libdir@, @includedir@ and @version@. It
# belongs to the development files (install component "dev").
function(zembra_install_pkgconfig template)
  get_filename_component(name ${template} NAME)
  string(REGEX REPLACE "\\.in$" "" name ${name})
  install(CODE "
    set(prefix \"\${CMAKE_INSTALL_PREFIX}\")
    set(libdir \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_LIBDIR}\")
    set(includedir \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_INCLUDEDIR}\")
    set(version \"${PROJECT_VERSION}\")
    set(pc_file \"\$ENV{DESTDIR}\${libdir}/pkgconfig/${name}\")
    message(STATUS \"Installing: \${pc_file}\")
    configure_file(\"${template}\" \"\${pc_file}\" @ONLY)
    list(APPEND CMAKE_INSTALL_MANIFEST_FILES \"\${pc_file}\")
  " COMPONENT dev)
endfunction()
