# The Debian package: `cmake --build build --target package` (or
# `./setup.sh package`) writes quorvel_<version>_<arch>.deb into the build
# folder. Everything the package holds comes from the install rules, so a
# `cmake --install` and the package always agree.

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quorvel)
# The version comes from cmake/QuorvelVersion.cmake through project(), like
# everywhere else.
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Quorvel developers")
set(CPACK_PACKAGE_CONTACT "${CPACK_PACKAGE_VENDOR} <quorvel@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "move RAW files whose pictures you deleted to the trash")
set(CPACK_PACKAGE_DESCRIPTION
    "Cameras that shoot RAW often write a processed picture, typically a JPEG,
with the same name next to each RAW file. Quorvel lets a photographer cull by
the pictures alone: delete the JPEGs of the unwanted shots, then let Quorvel
trim every RAW file whose picture is gone.

Trimmed files go to the desktop's freedesktop.org trash, on their own volume,
from where the file manager or trash-cli restores them; nothing is erased.")

# What Debian keeps in every package's documentation folder, under the
# package's own name: the licence, and the changelog in Debian's format. The
# changelog is written from the releases of the AppStream metainfo, which stay
# the one place release notes are kept.
include(${CMAKE_CURRENT_LIST_DIR}/DebianChangelog.cmake)
set(quorvel_changelog ${PROJECT_BINARY_DIR}/changelog)
quorvel_write_debian_changelog(${PROJECT_SOURCE_DIR}/data/org.example.Quorvel.metainfo.xml
                               ${quorvel_changelog} ${CPACK_PACKAGE_NAME} "${CPACK_PACKAGE_CONTACT}")
add_custom_command(
    OUTPUT ${quorvel_changelog}.gz
    COMMAND ${GZIP_EXECUTABLE} -9 -n -k -f ${quorvel_changelog}
    DEPENDS ${quorvel_changelog}
    COMMENT "Compressing the Debian changelog"
    VERBATIM)
add_custom_target(quorvel_changelog ALL DEPENDS ${quorvel_changelog}.gz)
install(FILES ${quorvel_changelog}.gz ${PROJECT_SOURCE_DIR}/data/copyright
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${CPACK_PACKAGE_NAME})

set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://quorvel.example.org/")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

# The libraries the program links are read off the binary by dpkg-shlibdeps, so
# a library added to the build needs no edit here. Listed by hand is only what
# is loaded at run time without being linked: the Qt platform plugins (X11),
# the image-format plugins the viewer reads TIFF and WebP with, and xdg-open,
# which the About box starts the web browser with.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, qt6-image-formats-plugins, xdg-utils")
# Without Qt's Wayland plugin a Wayland session still shows the windows,
# through XWayland; with it they are native.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland")
# trash-list and trash-restore, which the manual page names for restoring.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "trash-cli")

include(CPack)
