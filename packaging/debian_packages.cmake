# Debian packages through CPack: one per component. dpkg-shlibdeps computes the
# library dependencies; the rest are named here, each with its reason.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zandrel)
set(CPACK_PACKAGE_VENDOR "The zandrel developers")
set(CPACK_PACKAGE_CONTACT "The zandrel developers <dev@zandrel-community.net>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/packages)
set(CPACK_STRIP_FILES ON)
set(CPACK_COMPONENTS_ALL zandrel varnok gamelistd)

set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# utils, not games: the programs serve a game (Debian's games section is for
# games themselves, installed in /usr/games).
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "http://www.zandrel-community.net/")
# The files in lib/<package>/ are private modules, not libraries for others:
# they get no shlibs file of their own.
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS OFF)

set(CPACK_DEBIAN_ZANDREL_PACKAGE_NAME zandrel)
set(CPACK_DEBIAN_VARNOK_PACKAGE_NAME varnok)
set(CPACK_DEBIAN_GAMELISTD_PACKAGE_NAME gamelistd)

set(CPACK_COMPONENT_ZANDREL_DESCRIPTION "mod switcher and multiplayer launcher for a classic strategy game
zandrel catalogues the mods of a game installation, swaps the game's
settings files for the chosen mod and starts the game and its editors with
the mod's arguments. Its multiplayer launcher lists, hosts and joins online
games through a game list service.
.
On Linux it starts the game's Windows programs through Wine.")
# Wine runs the game; without it the switcher still manages the mods.
set(CPACK_DEBIAN_ZANDREL_PACKAGE_RECOMMENDS "wine")

set(CPACK_COMPONENT_VARNOK_DESCRIPTION "multiplayer integrity monitor for a classic strategy game
Every player of an online game runs varnok beside it. The monitors connect
to each other and tell every player whether each game is started, runs only
once and is unmodified, with warnings, a sound and a log file in which every
line carries a checksum.
.
On Linux it watches a game that runs under Wine.")
# The warning sound plays through libcanberra, loaded when the first warning
# sounds; without it the warnings stay silent.
set(CPACK_DEBIAN_VARNOK_PACKAGE_RECOMMENDS "libcanberra0")

set(CPACK_COMPONENT_GAMELISTD_DESCRIPTION "game list service for the multiplayer launcher
gamelistd lists the open online games of a classic strategy game, takes the
announcements of the players who host one, and serves the news and chat
pages of the launcher. It stores the games in SQLite.
.
This package runs it as a systemd service under its own system user.")
set(CPACK_DEBIAN_GAMELISTD_PACKAGE_SECTION net)
# adduser makes the service's system user when the package is configured.
set(CPACK_DEBIAN_GAMELISTD_PACKAGE_DEPENDS "adduser")
set(CPACK_DEBIAN_GAMELISTD_PACKAGE_CONTROL_EXTRA
  ${PACKAGING}/gamelistd/postinst ${PACKAGING}/gamelistd/prerm ${PACKAGING}/gamelistd/postrm
  ${PACKAGING}/gamelistd/conffiles)
set(CPACK_DEBIAN_GAMELISTD_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)
