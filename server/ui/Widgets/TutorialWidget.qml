import QtQuick
import com.tessivar.widgets 1.0

// The first-start tour: three steps, then never again (unless the settings say so).
TessivarPopup {
    id: tutorial

    property int step: 0
    readonly property var steps: [
        { title: qsTr("Welcome to Tessivar"),
          text: qsTr("Tessivar turns your phones and tablets into dashboards for this computer: buttons that start programs or replay keys, clocks, texts and more.") },
        { title: qsTr("Connect a device"),
          text: qsTr("Install Tessivar on your phone or tablet and open it on the same network. It finds this computer by itself and shows up under Network.") },
        { title: qsTr("Place your first block"),
          text: qsTr("Press + at the top left, choose a module, set it up, pick the device and press \"Place block\". It appears on the device at once.") }
    ]

    function finish() {
        Configuration.ShowTutorial = false
        close()
    }

    title: steps[step].title
    closable: false

    // Made at the first start only; every later start leaves the tour unmade.
    lazyContent: Component {
        Column {
            spacing: Theme.gap
            TessivarLabel {
                objectName: "text_TutorialStep"
                width: parent.width
                wrapMode: Text.Wrap
                text: tutorial.steps[tutorial.step].text
            }
            Row {
                spacing: Theme.gap
                Repeater {
                    model: tutorial.steps.length
                    delegate: Rectangle {
                        required property int index
                        width: 8
                        height: 8
                        radius: 4
                        color: index === tutorial.step ? Theme.primary : Theme.divider
                    }
                }
            }
        }
    }
    lazyButtons: Component {
        Row {
            spacing: Theme.gap
            TessivarButton {
                objectName: "button_TutorialSkip"
                text: qsTr("Skip")
                visible: tutorial.step < tutorial.steps.length - 1
                onClicked: tutorial.finish()
            }
            TessivarButton {
                objectName: "button_TutorialNext"
                primary: true
                text: tutorial.step < tutorial.steps.length - 1 ? qsTr("Next") : qsTr("Start")
                onClicked: {
                    if (tutorial.step < tutorial.steps.length - 1)
                        tutorial.step += 1
                    else
                        tutorial.finish()
                }
            }
        }
    }
}
