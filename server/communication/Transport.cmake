# The communication handler, the message handler and the emissions, and the device
# connection list, in the communication library.
target_sources(tessivar_communication PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/CommunicationHandler.cpp ${CMAKE_CURRENT_LIST_DIR}/CommunicationHandler.h
    ${CMAKE_CURRENT_LIST_DIR}/DeviceConnectionList.cpp ${CMAKE_CURRENT_LIST_DIR}/DeviceConnectionList.h
    ${CMAKE_CURRENT_LIST_DIR}/ICommunicationHandler.cpp ${CMAKE_CURRENT_LIST_DIR}/ICommunicationHandler.h
    ${CMAKE_CURRENT_LIST_DIR}/MessageEmission.cpp ${CMAKE_CURRENT_LIST_DIR}/MessageEmission.h
    ${CMAKE_CURRENT_LIST_DIR}/MessageEmissionBuilder.cpp ${CMAKE_CURRENT_LIST_DIR}/MessageEmissionBuilder.h
    ${CMAKE_CURRENT_LIST_DIR}/MessageEmissionBuilderFactory.cpp ${CMAKE_CURRENT_LIST_DIR}/MessageEmissionBuilderFactory.h
    ${CMAKE_CURRENT_LIST_DIR}/MessageHandler.cpp ${CMAKE_CURRENT_LIST_DIR}/MessageHandler.h
    ${CMAKE_CURRENT_LIST_DIR}/MessageReception.cpp ${CMAKE_CURRENT_LIST_DIR}/MessageReception.h
)
# Devices are created on first contact and attributed their connections here.
target_link_libraries(tessivar_communication PUBLIC tessivar_device)
