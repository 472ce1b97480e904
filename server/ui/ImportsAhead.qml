import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Templates
import QtQuick.Layouts

// Loaded, never created, at the start: the QML loader thread opens the window's
// modules while the application is built.
QtObject {
}
