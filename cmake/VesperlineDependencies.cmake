# Third-party libraries of the application side, found once for every folder that uses them.
find_package(PkgConfig REQUIRED)
find_package(Qt6 REQUIRED COMPONENTS Core Gui Widgets Concurrent DBus Network Svg Charts Test)
pkg_check_modules(FFMPEG REQUIRED IMPORTED_TARGET libavformat libavcodec libswscale libavutil)
pkg_check_modules(TESSERACT REQUIRED IMPORTED_TARGET tesseract lept)
pkg_check_modules(XCB REQUIRED IMPORTED_TARGET xcb xcb-shm xcb-damage xcb-xfixes xcb-randr xcb-res xcb-screensaver
                  xcb-ewmh xcb-icccm xcb-keysyms xcb-xtest xkbcommon xkbcommon-x11)
pkg_check_modules(ATSPI REQUIRED IMPORTED_TARGET atspi-2)
pkg_check_modules(PAM REQUIRED IMPORTED_TARGET pam)
pkg_check_modules(CURL REQUIRED IMPORTED_TARGET libcurl)

set(VESPERLINE_QT_LIBS Qt6::Core Qt6::Gui Qt6::Widgets Qt6::Concurrent Qt6::DBus Qt6::Network Qt6::Svg
    Qt6::Charts)
