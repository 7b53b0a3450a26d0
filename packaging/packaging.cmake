# Install layout and the Debian package. `cmake --install` puts the console tool in bin/, the
# two CGI programs, which only a web server runs, in lib/vorlex/, and the web servers'
# configuration templates in share/vorlex/servers/ (under /usr/local by default, /usr in the
# package). A site links the CGI programs into its folder under the names its pages use,
# vorlexcgi.exe and formwright.exe (README, "Deploying").
install(TARGETS seriak RUNTIME DESTINATION bin)
install(TARGETS vorlexcgi formwright RUNTIME DESTINATION lib/vorlex)
install(FILES
  ${PROJECT_SOURCE_DIR}/demo/lighttpd.conf.in
  ${PROJECT_SOURCE_DIR}/demo/lighttpd-node.conf.in
  ${PROJECT_SOURCE_DIR}/demo/apache.conf.in
  ${PROJECT_SOURCE_DIR}/demo/nginx.conf.in
  ${PROJECT_SOURCE_DIR}/demo/haproxy.cfg.in
  DESTINATION share/vorlex/servers)
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION share/doc/vorlex)

# `cpack` in the build folder writes vorlex_<version>_<architecture>.deb.
set(VORLEX_PACKAGE_CONTACT "Vorlex maintainers <vorlex@localhost>"
    CACHE STRING "Maintainer field of the Debian package")
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vorlex)
set(CPACK_PACKAGE_CONTACT "${VORLEX_PACKAGE_CONTACT}")
string(CONCAT CPACK_DEBIAN_PACKAGE_DESCRIPTION
       "web tabulator for record-level data in dBase files\n"
       "Turns files of individual records into cross-tables on the web: the CGI programs\n"
       "vorlexcgi and formwright, the index writer seriak, and configuration templates\n"
       "for lighttpd, Apache, nginx with fcgiwrap and HAProxy.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION web)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "lighttpd | apache2 | nginx, fcgiwrap, haproxy, gdal-bin")
set(CPACK_STRIP_FILES ON)
include(CPack)
