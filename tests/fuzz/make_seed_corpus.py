#!/usr/bin/env python3
"""Writes the seed corpus of the message receive fuzz target: one well-formed envelope
of every message type, and hostile ones (variant maps whose QDataStream content
announces impossible counts or lengths, deep nesting, absurd numbers).
Run from this folder; the files are committed, so this is only needed to add seeds."""

import base64
import json
import os
import struct

SENDER = {"ApplicationType": "client", "Id": "fedcba9876543210fedcba9876543210",
          "Name": "Phone", "Version": "2.0.1"}


def qstring(text):
    data = text.encode("utf-16-be")
    return struct.pack(">I", len(data)) + data


def variant(type_id, payload, null=0):
    return struct.pack(">Ib", type_id, null) + payload


def qmap(entries, count=None):
    body = b"".join(qstring(key) + value for key, value in entries)
    return struct.pack(">I", len(entries) if count is None else count) + body


def map_value(stream_bytes):
    return {"-----TessivarCustomJsonType-----": "QVariantMap",
            "MapData": base64.b64encode(stream_bytes).decode()}


def bytes_value(data):
    return {"-----TessivarCustomJsonType-----": "QByteArray", "Size": len(data),
            "Data": base64.b64encode(data).decode()}


def envelope(identifier, body, sequence="1", response=None):
    header = {"MessageId": identifier, "Sender": SENDER, "SequenceId": sequence}
    if response is not None:
        header["SequenceResponseId"] = response
    return {"header.v1": header, "message.v1": {identifier: body}}


def write_raw(name, data):
    os.makedirs("corpus-variantmap", exist_ok=True)
    with open(os.path.join("corpus-variantmap", name), "wb") as out:
        out.write(data)


def write(name, document):
    text = document if isinstance(document, (bytes, str)) else json.dumps(document, separators=(",", ":"))
    with open(os.path.join("corpus", name), "wb") as out:
        out.write(text.encode() if isinstance(text, str) else text)


def main():
    os.makedirs("corpus", exist_ok=True)
    params = qmap([("Size", variant(2, struct.pack(">i", 20))),
                   ("Text", variant(10, qstring("Hi"))),
                   ("List", variant(9, struct.pack(">I", 2) + variant(1, b"\x01") + variant(6, struct.pack(">d", 1.5)))),
                   ("Names", variant(11, struct.pack(">I", 1) + qstring("a")))])
    rect = {"height": 2, "left": 0.5, "top": 1, "width": 3}
    write("hello.json", envelope("com.tessivar.Hello.1", {"DeviceId": SENDER["Id"]}))
    write("register_device.json", envelope("com.tessivar.RegisterDevice.1", {
        "ApplicationType": "client", "Name": "Phone", "SoftwareVersion": "2.0.1",
        "ModuleDataInfoList": [{"ClassId": "clock", "FileInfoList": [{"FileCrc": 70000, "FileName": "a.qml"}]}]}))
    write("module_list.json", envelope("com.tessivar.ModuleList.1", {"ModuleList": ["1", "4294967295", 17]}))
    write("register_module.json", envelope("com.tessivar.RegisterModule.1", {
        "DataClassId": "clock", "DataWidget": "qrc:/w.qml", "ServerVersion": "1.5.1",
        "Parameters": map_value(params), "Data": map_value(qmap([])), "RequestIndex": 5}))
    write("register_module_response.json", envelope("com.tessivar.RegisterModuleResponse.1",
        {"ModuleId": "42", "RegisterStatus": 2, "RequestIndex": 5}, response="3"))
    write("delete_module.json", envelope("com.tessivar.DeleteModule.1", {"ModuleId": "42"}))
    write("module_parameters.json", envelope("com.tessivar.ModuleParameters.1",
        {"ModuleId": "42", "ModuleParameters": map_value(params)}))
    write("module_data.json", envelope("com.tessivar.ModuleData.1",
        {"ModuleId": "42", "ModuleData": map_value(qmap([("Command", variant(2, struct.pack(">i", 1)))]))}))
    write("file_transfer.json", envelope("com.tessivar.FileTransfer.1", {
        "TransferMetaData": {"Status": 1, "RequestType": 3, "Name": "a.qml", "Size": "3", "TransferedBytes": "3",
                             "Crc": 4660, "Count": 1, "Index": 1, "TransferData": bytes_value(qstring("clock"))},
        "FileData": bytes_value(b"abc")}))
    write("file_transfer_request.json", envelope("com.tessivar.FileTransferRequest.1",
        {"RequestType": 3, "RequestData": bytes_value(b"clock")}))
    write("notification.json", envelope("com.tessivar.Notification.1", {"Text": "Saved", "Duration": 3000}))
    write("export_request.json", envelope("com.tessivar.DashboardExportRequest.1", {}))
    write("export_response.json", envelope("com.tessivar.DashboardExportResponse.1", {"Profiles": {
        "Main": {"Modules": [{"Id": "42", "Geometry": rect, "Z": 1, "DataClassId": "clock"}]}}}))
    write("import_request.json", envelope("com.tessivar.DashboardImportRequest.1", {"ModuleList": [{
        "CreationRequestId": 3, "Geometry": rect, "Z": 2, "DataClassId": "text", "Profiles": ["A", "B"],
        "DataWidget": "qrc:/d.qml", "Version": "1.5.1", "Parameters": map_value(params),
        "Data": map_value(qmap([]))}]}))
    write("import_response.json", envelope("com.tessivar.DashboardImportResponse.1",
        {"CreatedModuleIds": {"3": "42", "-1": "0", "x": "1"}, "Status": 0}, response="9"))

    # Hostile variant maps, each inside a data message and raw for the map fuzz target.
    def hostile(name, stream_bytes):
        write(name, envelope("com.tessivar.ModuleData.1", {"ModuleId": "1", "ModuleData": map_value(stream_bytes)}))
        write_raw(name.replace(".json", ".bin"), stream_bytes)

    write_raw("parameters.bin", params)
    write_raw("empty.bin", qmap([]))
    fixed = [(0, b""), (1, b"\x01"), (2, b"\0" * 4), (3, b"\0" * 4), (4, b"\0" * 8), (5, b"\0" * 8), (6, b"\0" * 8),
             (7, b"\0a"), (14, b"\0" * 8), (15, b"\0" * 4), (19, b"\0" * 16), (20, b"\0" * 32), (21, b"\0" * 8),
             (22, b"\0" * 16), (23, b"\0" * 16), (24, b"\0" * 32), (25, b"\0" * 8), (26, b"\0" * 16), (30, b"\0" * 16),
             (32, b"\0" * 8), (33, b"\0" * 2), (34, b"\0"), (35, b"\0" * 8), (36, b"\0" * 2), (37, b"\0"),
             (38, b"\0" * 8), (40, b"\0"), (51, b""), (67, b"\x01" + b"\xff" * 8 + b"\0\0")]
    every_fixed = qmap([("k%02d" % type_id, variant(type_id, payload)) for type_id, payload in fixed])
    write_raw("every_fixed_type.bin", every_fixed)
    write("every_fixed_type.json", envelope("com.tessivar.ModuleParameters.1",
        {"ModuleId": "7", "ModuleParameters": map_value(every_fixed)}))
    write("module_data_without_map.json", envelope("com.tessivar.ModuleData.1", {"ModuleId": "7"}))
    write_raw("containers.bin", qmap([
        ("bits", variant(13, struct.pack(">I", 9) + b"\xff\x01")),
        ("bytes", variant(12, struct.pack(">I", 2) + b"ab")),
        ("null", variant(12, struct.pack(">I", 0xFFFFFFFF))),
        ("url", variant(17, struct.pack(">I", 8) + b"http://x")),
        ("hash", variant(28, qmap([("a", variant(1, b"\x00"))]))),
        ("byteslist", variant(49, struct.pack(">I", 1) + struct.pack(">I", 1) + b"z")),
        ("local", variant(16, struct.pack(">qIb", 2458851, 3723000, 0))),
        ("offset", variant(16, struct.pack(">qIbi", 2458851, 3723000, 2, 3600)))]))

    hostile("hostile_map_count.json", struct.pack(">I", 0x80000000))
    hostile("hostile_string_length.json", qmap([("A", variant(10, struct.pack(">I", 0xFFFFFFFE)))]))
    hostile("hostile_key_length.json", struct.pack(">I", 1) + struct.pack(">I", 0xFFFFFFFE))
    hostile("hostile_list_count.json", qmap([("A", variant(9, struct.pack(">I", 0xFFFFFFFF)))]))
    hostile("hostile_stringlist_count.json", qmap([("A", variant(11, struct.pack(">I", 0xFFFFFFFF)))]))
    hostile("hostile_bytearraylist_count.json", qmap([("A", variant(49, struct.pack(">I", 0x7FFFFFFF)))]))
    hostile("hostile_bitarray_length.json", qmap([("A", variant(13, struct.pack(">I", 0xFFFFFFFF)))]))
    hostile("hostile_user_type.json", qmap([("A", variant(1024, struct.pack(">I", 11) + b"QList<int>\0"
                                                         + struct.pack(">I", 0xFFFFFFFF)))]))
    nested = variant(2, struct.pack(">i", 1))
    for _ in range(60):
        nested = variant(9, struct.pack(">I", 1) + nested)
    hostile("hostile_nested_lists.json", qmap([("A", nested)]))
    hostile("hostile_truncated.json", params[:-3])
    hostile("hostile_timezone.json", qmap([("A", variant(16, struct.pack(">qIb", 2458851, 0, 3) + qstring("../../etc/passwd")))]))
    write("invalid_base64.json", envelope("com.tessivar.ModuleData.1",
        {"ModuleId": "1", "ModuleData": {"-----TessivarCustomJsonType-----": "QVariantMap", "MapData": "%%%"}}))
    write("deep_json.json", "[" * 5000 + "]" * 5000)
    write("deep_body.json", envelope("com.tessivar.Hello.1", json.loads("[" * 100 + "]" * 100)))
    write("absurd_numbers.json", envelope("com.tessivar.FileTransfer.1", {
        "TransferMetaData": {"Status": 1e300, "RequestType": -70000, "Size": "99999999999999999999",
                             "TransferedBytes": "-1", "Crc": 4294967296, "Count": 1.5, "Index": -1e-300},
        "FileData": {"Size": -5, "Data": 12}}, sequence="18446744073709551616", response=""))
    write("not_json.bin", b"\x00\xff{\"header.v1\":")


if __name__ == "__main__":
    main()
