import QtQuick
import Vyr.Components

Window {
    id: board
    width: 640
    height: 330
    visible: true
    color: "#101010"
    title: "Departures"

    component Sign: EditMatrix {
        ledSize: 3
        ledDistance: 1
        totalVisible: 20
        backgroundColor: "#101010"
        delay: 40
    }

    Column {
        x: 12
        y: 12
        spacing: 10

        Sign {
            scroll: true
            text: "08:12  Platform 3  @C00FF00on time"
        }
        Sign {
            scroll: true
            activeLedOnColor: "#ffb000"
            activeLedOffColor: "#302000"
            text: "08:20  Platform 1  @B000040delayed 10 min"
        }
        Sign {
            scroll: true
            ledShape: EditMatrix.Circle
            text: "08:31  Express  @4000000 stand clear @C0000FFdoors closing"
        }
        Sign {
            id: remark
            activeLedOnColor: "#00e0ff"
            activeLedOffColor: "#002028"
            inactiveLedOnColor: "#008090"
            text: remarkInput.text
        }
        Sign {
            text: "Platform 7"
        }
        Rectangle {
            width: 360
            height: 28
            color: "#202020"
            border.color: remarkInput.activeFocus ? "#00e0ff" : "#404040"
            TextInput {
                id: remarkInput
                anchors.fill: parent
                anchors.margins: 6
                color: "white"
                activeFocusOnTab: true
                text: "Mind the gap"
            }
        }
    }
}
