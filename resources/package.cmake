# make package: a .deb whose dependencies are what the program needs to run.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zelvoviewer)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Zelvo Viewer developers")
set(CPACK_PACKAGE_CONTACT "The Zelvo Viewer developers <maintainers@users.noreply.c-seed-21aaacee.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "image browser for the pictures of a folder")
set(CPACK_PACKAGE_DESCRIPTION "Zelvo Viewer shows, in one window, a drive list, a folder list and a
file list, and the chosen picture (JPEG, GIF, PNG, BMP, HEIC, AVIF, WebP,
TIFF, JPEG XL or SVG) or HTML page with its path, date and size. It remembers the ten folders opened last. Its texts
are Japanese.")
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Beyond the libraries: the X platform plugin, Japanese texts for Qt's own
# dialog buttons, and a font with the Japanese glyphs. JPEG and GIF come with
# Qt's GUI library, PNG and BMP are built in.
# Qt's own image plugins read WebP, TIFF and SVG; HEIF, AVIF and JPEG XL come
# with the program through libheif and libjxl, which the shared-library
# dependencies name.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, qt6-image-formats-plugins, libqt6svg6, qt6-translations-l10n, fonts-noto-cjk")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/package)
include(CPack)
