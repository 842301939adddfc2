# `make package`: a Debian package of the program, tolvane_<version>_<architecture>.deb,
# installing under /usr. Its run-time dependencies are found by dpkg-shlibdeps.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tolvane)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
# The long description in lines of a terminal's width, as Debian shows it.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
       "Tolvane lists the files of one folder. You drop files from the list and move"
       "them up or down, since the list order decides the numbers; then you type a"
       "text to put before the number, a text to put after it, the number to start"
       "from and the pattern the number is written in."
       ""
       "Simulate shows every new name before anything changes on disk. Rename checks"
       "the whole batch, renames the files without ever replacing one, and writes a"
       "plain-text report of old and new names into the user's state folder.")
set(TOLVANE_MAINTAINER "Tolvane developers <tolvane@example.org>" CACHE STRING "Maintainer of the Debian package")
set(CPACK_PACKAGE_CONTACT "${TOLVANE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${TOLVANE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${PROJECT_HOMEPAGE_URL}")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# xdg-open opens the reports in the desktop's text editor.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS xdg-utils)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
include(CPack)
