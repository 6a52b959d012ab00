# `make package`: a Debian package of what `cmake --install` installs, under /usr. Its
# dependencies are worked out from the executables by dpkg-shlibdeps (dpkg-dev).

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tamocnc)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Tamo Works")
set(CPACK_PACKAGE_CONTACT ${TAMO_MAINTAINER})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "controller for a three-axis CNC mill on the parallel port")
# CPack puts the summary above it as the synopsis.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "TamoCNC drives a small three-axis CNC mill whose stepper drivers hang on
the PC's parallel port. It opens a G-code program, draws its toolpath and
turns every move into step and direction pulses that it writes to the
port itself, through the kernel's ppdev driver or by direct I/O.
.
tamocnc-sim runs the same machine without windows on a simulated port, to
check a program, its timing and the wiring before the real machine moves.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
