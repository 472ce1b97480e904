#pragma once

#include <QtGlobal>

namespace tessivar::communication {

// Every message type; the value selects the wire identifier (see MessageCatalogue).
enum class MessageType_e : quint16 {
    Hello = 0,
    RegisterDevice = 1,
    ModuleList = 2,
    RegisterModule = 3,
    RegisterModuleResponse = 4,
    DeleteModule = 5,
    UpdateParameters = 6,
    Data = 7,
    FileTransfer = 8,
    FileTransferRequest = 9,
    Notification = 10,
    DashboardExportRequest = 11,
    DashboardExportResponse = 12,
    DashboardImportRequest = 13,
    DashboardImportResponse = 14,
};

} // namespace tessivar::communication
