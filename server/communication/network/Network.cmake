# The sockets and the socket manager of the communication library.
target_sources(tessivar_communication PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/ConnectedSocket.cpp ${CMAKE_CURRENT_LIST_DIR}/ConnectedSocket.h
    ${CMAKE_CURRENT_LIST_DIR}/ConnectedSocketServer.cpp ${CMAKE_CURRENT_LIST_DIR}/ConnectedSocketServer.h
    ${CMAKE_CURRENT_LIST_DIR}/INonConnectedSocket.cpp ${CMAKE_CURRENT_LIST_DIR}/INonConnectedSocket.h
    ${CMAKE_CURRENT_LIST_DIR}/NetworkClock.cpp ${CMAKE_CURRENT_LIST_DIR}/NetworkClock.h
    ${CMAKE_CURRENT_LIST_DIR}/NonConnectedSocket.cpp ${CMAKE_CURRENT_LIST_DIR}/NonConnectedSocket.h
    ${CMAKE_CURRENT_LIST_DIR}/PeerEndPoint.cpp ${CMAKE_CURRENT_LIST_DIR}/PeerEndPoint.h
    ${CMAKE_CURRENT_LIST_DIR}/SocketError.cpp ${CMAKE_CURRENT_LIST_DIR}/SocketError.h
    ${CMAKE_CURRENT_LIST_DIR}/SocketManager.cpp ${CMAKE_CURRENT_LIST_DIR}/SocketManager.h
)
target_link_libraries(tessivar_communication PUBLIC Qt6::Network Qt6::WebSockets)
