# `make package`: a Debian package of what `cmake --install` puts in place (the
# program, its preview plugin, menu entry, icon and AppStream metadata), installed under /usr.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kelmora)
set(CPACK_PACKAGE_CONTACT "The Kelmora developers")
set(CPACK_PACKAGE_DESCRIPTION [[Kelmora makes seating charts for a Japanese school class. The teacher
loads the class roster (a CSV file in Shift-JIS), chooses how many columns
and rows of desks the classroom has, places the students' names on the desks
with the mouse, and writes the chart as a two-page LaTeX file for pLaTeX.]])
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION education)
# The libraries the program and its preview plugin link (Qt's among them) come from dpkg-shlibdeps;
# the fonts are named in the layouts and the manual, not linked.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-ipafont-gothic, fonts-ipafont-mincho")
# pLaTeX typesets the chart; Qt's own dialogs speak Japanese with its translations.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "texlive-lang-japanese, qt6-translations-l10n")
include(CPack)
