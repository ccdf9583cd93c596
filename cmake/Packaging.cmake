# The Debian package, made by CPack from the install rules (scripts/package.sh, or
# `cpack` in any configured build folder).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tolmarin)
set(CPACK_PACKAGE_VENDOR "The Tolmarin authors")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(TOLMARIN_PACKAGE_CONTACT
    "Tolmarin maintainers <maintainers@users.noreply.c-seed-b2dc9e10.example>"
    CACHE STRING "Maintainer of the Debian package")
set(CPACK_PACKAGE_CONTACT "${TOLMARIN_PACKAGE_CONTACT}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "editor and remote control of the TRV410 DSP amplifier")
# CPack puts the summary first and indents these lines itself; the blank line becomes " .".
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Tolmarin links to one TRV410 amplifier over USB (a serial port) or the local
network and edits its output channels live: delay, crossover, an eight-band
parametric equaliser, limiter and volume, with the frequency response drawn
on screen. Programs are stored in the amplifier and in files on the PC.

The package holds the editor (tolmarin), a command-line tool for scripts and
whole venues of amplifiers (tolmarin-cli) and a simulated amplifier to try
them without hardware (trv410-sim).")
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# What dpkg-shlibdeps cannot see: the faces the artwork names by family (Liberation for
# Arial's metrics, WenQuanYi Micro Hei for Chinese), Qt's own translations, which put
# Qt's dialogs (file, print) in Chinese with the editor, and Qt SQL's SQLite driver, a
# plugin loaded at run time, which keeps the venue's event log.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "fonts-liberation, fonts-liberation2, fonts-wqy-microhei, qt6-translations-l10n, libqt6sql6-sqlite")
# X11 is served by libqt6gui6 itself; a Wayland session is served natively with this.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
