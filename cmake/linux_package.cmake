# Installing on Linux and the Debian package: the window and the command-line programs, the
# desktop entry, AppStream metadata, the icon in the hicolor theme, man pages, the sample
# language files, norvik-watch's systemd unit with the Prometheus examples, and the rotation of
# norvik-set's audit log.
# The device simulator and the namespace runner are tools for testing and stay out of it.
include(GNUInstallDirs)

install(TARGETS norvik norvik-launcher ${NORVIK_CLI_PROGRAMS} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES res/linux/org.norvik.Norvik.desktop
    DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES res/linux/org.norvik.Norvik.metainfo.xml
    DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES res/icon/norvik.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
foreach(size 16 24 32 48 64 128)
    install(FILES res/icon/hicolor/${size}x${size}/norvik.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()
install(FILES res/icon/norvik.png DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/256x256/apps)

# A package's dependencies are the names of the release it was built on (Debian 13 renamed the
# Qt libraries), so the version says the release, as Debian's own backports do:
# norvik_3.0-1~deb12_amd64.deb, norvik_3.0-1~deb13_amd64.deb.
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
if(EXISTS /etc/os-release)
    file(STRINGS /etc/os-release os_id REGEX "^ID=")
    file(STRINGS /etc/os-release os_version REGEX "^VERSION_ID=")
    string(REGEX REPLACE "^VERSION_ID=\"?([0-9]+)\"?$" "\\1" os_version "${os_version}")
    if(os_id STREQUAL "ID=debian" AND os_version MATCHES "^[0-9]+$")
        set(CPACK_DEBIAN_PACKAGE_RELEASE "1~deb${os_version}")
    endif()
endif()
set(NORVIK_DEBIAN_VERSION ${PROJECT_VERSION}-${CPACK_DEBIAN_PACKAGE_RELEASE})
configure_file(res/linux/changelog.in ${CMAKE_BINARY_DIR}/changelog.Debian @ONLY)

# Debian keeps man pages and changelogs compressed, without a time stamp in the gzip header.
set(NORVIK_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/norvik)
set(compressed)
set(man_pages)
set(sources ${CMAKE_BINARY_DIR}/changelog.Debian)
foreach(program norvik norvik-launcher ${NORVIK_CLI_PROGRAMS})
    list(APPEND man_pages ${CMAKE_BINARY_DIR}/compressed/${program}.1.gz)
    list(APPEND sources ${PROJECT_SOURCE_DIR}/docs/man/${program}.1)
endforeach()
foreach(source IN LISTS sources)
    get_filename_component(name ${source} NAME)
    set(output ${CMAKE_BINARY_DIR}/compressed/${name}.gz)
    add_custom_command(OUTPUT ${output}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/compressed
        COMMAND gzip -9n -c ${source} > ${output}
        DEPENDS ${source}
        VERBATIM)
    list(APPEND compressed ${output})
endforeach()
add_custom_target(norvik_compressed_docs ALL DEPENDS ${compressed})
install(FILES ${man_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${CMAKE_BINARY_DIR}/compressed/changelog.Debian.gz res/linux/copyright
    DESTINATION ${NORVIK_DOC_DIR})
# The template for translators; the translations where norvik-launcher finds them.
install(FILES res/Language.ini DESTINATION ${NORVIK_DOC_DIR}/examples)
file(GLOB NORVIK_TRANSLATIONS RELATIVE ${PROJECT_SOURCE_DIR}/res ${PROJECT_SOURCE_DIR}/res/*/Language.ini)
foreach(translation ${NORVIK_TRANSLATIONS})
    get_filename_component(language ${translation} DIRECTORY)
    install(FILES res/${translation} DESTINATION ${CMAKE_INSTALL_DATADIR}/norvik/languages/${language})
endforeach()
install(FILES docs/prometheus/prometheus.yml docs/prometheus/norvik-rules.yml
    DESTINATION ${NORVIK_DOC_DIR}/examples/prometheus)

# The site agent, installed disabled: its unit, and the group it writes node-exporter's textfile
# directory with (made by the postinst). Below the prefix /usr, not CMAKE_INSTALL_LIBDIR, which
# is the multiarch directory on Debian.
install(FILES res/linux/norvik-watch.service DESTINATION lib/systemd/system)
install(FILES res/linux/norvik-watch.sysusers DESTINATION lib/sysusers.d RENAME norvik-watch.conf)
# norvik-set's audit log, rotated as a configuration file of the package.
install(FILES res/linux/norvik.logrotate DESTINATION /etc/logrotate.d RENAME norvik)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    ${PROJECT_SOURCE_DIR}/res/linux/postinst ${PROJECT_SOURCE_DIR}/res/linux/prerm
    ${PROJECT_SOURCE_DIR}/res/linux/postrm ${PROJECT_SOURCE_DIR}/res/linux/conffiles)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME norvik)
set(CPACK_PACKAGE_VENDOR "The Norvik developers")
set(CPACK_PACKAGE_CONTACT "The Norvik developers <developers@norvik.example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "find network video devices and change their network settings")
# The extended description; the summary above is its first line.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Norvik is for the person who installs and maintains network video devices
(IP cameras, video servers). It finds every device of the local network by
UDP broadcast, in two device protocols side by side (PCEdit and 3297), lists
them, shows the network settings of the one you pick, sends it new settings
(addressed by its MAC address, so it works from a foreign subnet) and opens
its web page. It searches through every network card of the PC.

The package holds the window, norvik, norvik-scan, the same search on the
command line with JSON output and a trace of every datagram, norvik-set,
which sets one device or a whole plan file and tells whether each took it,
and norvik-watch, which searches again and again, tells of devices added,
changed, lost and back, and writes their state for Prometheus; its systemd
unit, installed disabled, makes it a site agent beside node-exporter.")
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The Qt libraries (and through them the X11 platform plugin) from the binaries themselves; a
# proportional font for the device list; setfacl, with which norvik-watch.service lets itself
# into node-exporter's textfile directory. Qt opens a device's web page through xdg-open alone:
# without it a double-click does nothing, even with a browser installed.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-dejavu-core, acl")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "prometheus-node-exporter")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland, xdg-utils")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
