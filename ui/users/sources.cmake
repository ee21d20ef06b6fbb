list(APPEND QUORVEL_GUI_SOURCES ui/users/SearchUserBox.cpp ui/users/UserInfoBox.cpp ui/users/InfoWindow.cpp)
