# The Debian package: `cpack -G DEB` in the build folder (or the `package` target) makes
# quillbook_<version>_amd64.deb for `apt install ./quillbook_*.deb`.

# The package target makes the Debian package only.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quillbook)
set(CPACK_PACKAGE_VENDOR "Quillbook developers")
set(QB_PACKAGE_MAINTAINER "Quillbook developers <quillbook@users.noreply.github.com>"
    CACHE STRING "Maintainer field of the Debian package")
set(CPACK_PACKAGE_CONTACT "${QB_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "desktop notes manager with a Simplified Chinese interface")
# The long description; cpack puts the summary above as its first line.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
"Quillbook keeps rich-text notes sorted into named groups, all inside one
notebook file (.qbf) that it creates, opens, backs up and compacts itself.
A notebook may carry an access password. Notebooks of the older Windows
program are converted when opened.
.
The package holds the program, its menu entry and icons, the notebook file
type, the converter of old notebooks (qbf-jet-reader), rtfconv and manual
pages in English and Simplified Chinese.")
set(CPACK_DEBIAN_PACKAGE_SECTION text)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${PROJECT_HOMEPAGE_URL}")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# Depends comes from the shared libraries the programs link, as dpkg-shlibdeps finds them.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Without a CJK font the whole interface shows boxes; still only a recommendation, since any
# CJK font will do.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS fonts-noto-cjk)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_DEBUGINFO_PACKAGE OFF)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

# Debian wants a copyright file and a compressed changelog in /usr/share/doc/<package>.
execute_process(COMMAND date -u -R -d "${QUILLBOOK_RELEASE_DATE}"
                OUTPUT_VARIABLE QUILLBOOK_RELEASE_RFC2822 OUTPUT_STRIP_TRAILING_WHITESPACE)
set(qb_doc "${CMAKE_BINARY_DIR}/packaging")
configure_file("${CMAKE_SOURCE_DIR}/packaging/changelog.in" "${qb_doc}/changelog" @ONLY)
add_custom_command(OUTPUT "${qb_doc}/changelog.gz"
  COMMAND gzip -9nc "${qb_doc}/changelog" > "${qb_doc}/changelog.gz"
  DEPENDS "${qb_doc}/changelog"
  VERBATIM)
add_custom_target(qb_changelog ALL DEPENDS "${qb_doc}/changelog.gz")
install(FILES "${qb_doc}/changelog.gz" "${CMAKE_SOURCE_DIR}/packaging/copyright"
        DESTINATION "${CMAKE_INSTALL_DATADIR}/doc/quillbook")

include(CPack)
