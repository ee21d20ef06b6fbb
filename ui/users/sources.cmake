list(APPEND QUORVEL_GUI_SOURCES ui/users/SearchUserBox.cpp ui/users/UserInfoBox.cpp ui/users/InfoWindow.cpp)
list(APPEND QUORVEL_CORE_SOURCES ui/users/InfoRules.cpp)
