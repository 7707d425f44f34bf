# The Debian package of the program: `cpack -G DEB` in the build tree (or
# `cmake --build <build> --target package`) writes
# quarrow-launcher_<version>_<architecture>.deb beside CPackConfig.cmake.
#
# The package holds what `cmake --install` installs (cmake/Install.cmake),
# under the prefix /usr:
#   /usr/lib/quarrow/quarrow-launcher, /usr/lib/quarrow/quarrow-webkit.so
#   /usr/lib/quarrow/web-extension/quarrow-webext.so
#   /usr/bin/quarrow-launcher           a link to the program
#   /usr/share/applications/quarrow-launcher.desktop
#   /usr/share/icons/hicolor/128x128/apps/quarrow-launcher.png
#   /usr/share/man/man1/quarrow-launcher.1.gz
#   /usr/share/doc/quarrow-launcher/copyright, changelog.gz
# with the binaries stripped. Its dependencies are the shared-library scan's
# (dpkg-shlibdeps) plus xdg-utils, whose xdg-open the link buttons run; its
# description names the portal's addresses this tree was configured with,
# since they are built into the program.
#
# The game's own loader, quilbyLoader.exe, is not in the package: the
# publisher puts it into /usr/lib/quarrow/ beside the program.
#
# Included once, by the top-level CMakeLists.txt before its folders, so that
# the install settings here hold for every folder's install rules.
include_guard(GLOBAL)
include(Install)

set(QUARROW_PACKAGE_MAINTAINER "Quarrow Studio <packages@quarrow.example>" CACHE STRING
    "The Debian package's maintainer (name <address>)")
set(QUARROW_PACKAGE_NAME "quarrow-launcher")
set(docs "share/doc/${QUARROW_PACKAGE_NAME}")

# Debian wants a copyright file and a changelog in the package's documentation
# folder. The changelog has one entry, for this version, dated when the tree
# was configured (or at SOURCE_DATE_EPOCH, for a reproducible build); it is
# compressed at build time with gzip -n, so it carries no time stamp of its
# own.
string(TIMESTAMP changelog_date "%a, %d %b %Y %H:%M:%S +0000" UTC)
file(CONFIGURE OUTPUT "${QUARROW_INSTALL_STAGING}/changelog" @ONLY CONTENT
"@QUARROW_PACKAGE_NAME@ (@PROJECT_VERSION@) unstable; urgency=medium

  * Quarrow launcher @PROJECT_VERSION@.

 -- @QUARROW_PACKAGE_MAINTAINER@  @changelog_date@
")
add_custom_command(OUTPUT "${QUARROW_INSTALL_STAGING}/changelog.gz"
    COMMAND "${QUARROW_GZIP}" -9nkf "${QUARROW_INSTALL_STAGING}/changelog"
    DEPENDS "${QUARROW_INSTALL_STAGING}/changelog"
    COMMENT "Compressing the package's changelog"
    VERBATIM)
add_custom_target(quarrow_package_changelog ALL DEPENDS "${QUARROW_INSTALL_STAGING}/changelog.gz")
install(FILES "${PROJECT_SOURCE_DIR}/packaging/copyright" "${QUARROW_INSTALL_STAGING}/changelog.gz"
        DESTINATION "${docs}")

set(CPACK_GENERATOR "DEB")
set(CPACK_PACKAGE_NAME "${QUARROW_PACKAGE_NAME}")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_VENDOR "Quarrow Studio")
set(CPACK_PACKAGE_CONTACT "${QUARROW_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_PACKAGE_DIRECTORY "${CMAKE_BINARY_DIR}")
set(CPACK_STRIP_FILES ON)
# Folders that the install and CPack create get the usual modes whatever
# the umask.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS ${CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS})

set(CPACK_DEBIAN_FILE_NAME "DEB-DEFAULT")
# Not "games": Debian keeps that section for packages whose programs live
# in /usr/games, and this one's program is in /usr/bin.
set(CPACK_DEBIAN_PACKAGE_SECTION "misc")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# CPack writes a postinst and a postrm that run ldconfig whenever a shared
# object lies in a folder of /usr/lib, so also for the web-process extension
# in /usr/lib/quarrow, which is no library that ldconfig indexes. There is
# no setting to stop that; the call is harmless, and lintian's warning about
# it (maintscript-calls-ldconfig) is kept and explained in the README.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "xdg-utils")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "http://${QUARROW_GAME_HOST}/games/vadmo/")
# Maintainer scripts, md5sums and the control file with the modes Debian's
# tools expect (0755 for scripts, 0644 for the rest).
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The summary, then the long description; CPack indents its lines and
# writes the empty line as " .", as the control file wants.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "log in to Quarrow and start the game
The Quarrow launcher shows the Quarrow portal's login page in a skinned
window. When a player has logged in, it starts the game's loader,
quilbyLoader.exe, which the game's publisher puts into /usr/lib/quarrow/
beside the program. Its buttons open the portal's pages in the player's
own browser.

This build's portal: the start page
http://${QUARROW_WEB_HOST}/games/vadmo/dlq/, the game pages on
${QUARROW_GAME_HOST}, the community group on ${QUARROW_CHAT_HOST}.")

include(CPack)
