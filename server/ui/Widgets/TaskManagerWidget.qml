import QtQuick
import QtQuick.Controls.Basic
import com.tessivar.widgets 1.0

// Long work where the user sees it: a busy popup while a task runs, then its result
// with the buttons it offers.
Item {
    id: tasks

    property var currentTask: null
    // TaskCompletion's buttons: Ok 1, Yes 2, No 4.
    readonly property int buttonOk: 1
    readonly property int buttonYes: 2
    readonly property int buttonNo: 4

    function offered(button) {
        return currentTask !== null && (currentTask.completion.buttons & button) !== 0
    }

    function complete(button) {
        const task = currentTask
        result.close()
        currentTask = null
        if (task)
            task.complete(button)
    }

    // The window passes on the task manager's signals: it builds this widget with the
    // first task.
    function taskStarted(task) {
        tasks.currentTask = task
        result.close()
        busy.open()
    }
    function taskFinished(task) {
        if (task !== tasks.currentTask)
            tasks.currentTask = task
        busy.close()
        result.open()
    }
    function taskDeleted(task) {
        if (task !== tasks.currentTask)
            return
        tasks.currentTask = null
        busy.close()
        result.close()
    }

    TessivarPopup {
        id: busy
        objectName: "popup_TaskBusy"
        closable: false
        lazyContent: Component {
            Row {
                spacing: Theme.groupGap
                Accessible.role: Accessible.AlertMessage
                Accessible.name: tasks.currentTask ? tasks.currentTask.description : ""
                TessivarBusyIndicator { anchors.verticalCenter: parent.verticalCenter; running: busy.visible }
                TessivarLabel {
                    objectName: "text_TaskDescription"
                    anchors.verticalCenter: parent.verticalCenter
                    width: busy.availableWidth - 48
                    wrapMode: Text.Wrap
                    text: tasks.currentTask ? tasks.currentTask.description : ""
                }
            }
        }
    }

    TessivarPopup {
        id: result
        objectName: "popup_TaskResult"
        closable: false
        title: tasks.currentTask ? tasks.currentTask.completion.title : ""
        lazyContent: Component {
            TessivarLabel {
                objectName: "text_TaskMessage"
                Accessible.role: Accessible.AlertMessage
                Accessible.name: result.title !== "" ? result.title + ": " + text : text
                wrapMode: Text.Wrap
                text: tasks.currentTask ? tasks.currentTask.completion.message : ""
            }
        }
        lazyButtons: Component {
            Row {
                spacing: Theme.gap
                TessivarButton {
                    objectName: "button_TaskNo"
                    visible: tasks.offered(tasks.buttonNo)
                    text: qsTr("No")
                    onClicked: tasks.complete(tasks.buttonNo)
                }
                TessivarButton {
                    objectName: "button_TaskYes"
                    visible: tasks.offered(tasks.buttonYes)
                    primary: true
                    text: qsTr("Yes")
                    onClicked: tasks.complete(tasks.buttonYes)
                }
                TessivarButton {
                    objectName: "button_TaskOk"
                    visible: tasks.offered(tasks.buttonOk) || !(tasks.offered(tasks.buttonYes) || tasks.offered(tasks.buttonNo))
                    primary: true
                    text: qsTr("OK")
                    onClicked: tasks.complete(tasks.buttonOk)
                }
            }
        }
    }
}
