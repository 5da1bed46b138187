# The Debian package: `cpack -G DEB` in the build folder makes
# listora_<version>_<arch>.deb that installs into /usr.
set(CPACK_PACKAGE_NAME listora)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Listora developers")
set(CPACK_PACKAGE_CONTACT "Listora developers <maintainers@listora.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Source listing printer for Visual Basic projects")
set(CPACK_PACKAGE_DESCRIPTION
    "Listora turns Visual Basic projects and source files into formatted, printed listings: \
one font per kind of text, brackets around control structures in the margin, line-printer \
shading, headers and footers, a title page, a table of contents and a function index. It \
has a desktop program with a navigator and a print preview, and the batch command \
listora-print that writes the same pages to PDF, PNG or a CUPS printer.")
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION devel)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Libraries come from dpkg-shlibdeps; the listing fonts are looked up by
# name at run time, so they are named here. Japanese (Shift-JIS) sources
# need a font with those glyphs.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-liberation2")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-ipafont-gothic")
include(CPack)
