// Shotcut's panel for the filter. Values are stored as the filter takes them (0 to 1): scale and
// edge blur are 64 x the value, the choices sit at 0, 0.5 and 1, the anchor is in frame units
// (shown in percent).
import QtQuick 2.12
import QtQuick.Controls 2.12
import QtQuick.Layouts 1.12
import Shotcut.Controls 1.0 as Shotcut

Item {
    width: 350
    height: 230
    Component.onCompleted: {
        // Slices of a frame cannot be enlarged on their own.
        filter.set('threads', 0);
        if (filter.isNew) {
            filter.set('Scale', 1 / 64);
            filter.set('Interpolation', 0);
            filter.set('Edge Blur', 1 / 64);
            filter.set('Pixel Shape', 0);
            filter.set('Anchor X', 0.5);
            filter.set('Anchor Y', 0.5);
        }
        scaleSlider.value = filter.getDouble('Scale') * 64;
        interpolationCombo.currentIndex = Math.round(filter.getDouble('Interpolation') * 2);
        blurSlider.value = filter.getDouble('Edge Blur') * 64;
        shapeCombo.currentIndex = Math.round(filter.getDouble('Pixel Shape') * 2);
        anchorXSlider.value = filter.getDouble('Anchor X') * 100;
        anchorYSlider.value = filter.getDouble('Anchor Y') * 100;
    }

    GridLayout {
        anchors.fill: parent
        anchors.margins: 8
        columns: 2

        Label {
            text: qsTr('Scale')
            Layout.alignment: Qt.AlignRight
        }

        Shotcut.SliderSpinner {
            id: scaleSlider

            minimumValue: 1
            maximumValue: 64
            stepSize: 0.25
            decimals: 2
            suffix: ' x'
            onValueChanged: filter.set('Scale', value / 64)
        }

        Label {
            text: qsTr('Interpolation')
            Layout.alignment: Qt.AlignRight
        }

        ComboBox {
            id: interpolationCombo

            model: [qsTr('Nearest'), qsTr('Linear'), qsTr('Nearest AA')]
            onActivated: filter.set('Interpolation', index / 2)
        }

        Label {
            text: qsTr('Edge Blur')
            Layout.alignment: Qt.AlignRight
        }

        Shotcut.SliderSpinner {
            id: blurSlider

            minimumValue: 0
            maximumValue: 64
            stepSize: 0.25
            decimals: 2
            suffix: ' px'
            onValueChanged: filter.set('Edge Blur', value / 64)
        }

        Label {
            text: qsTr('Pixel Shape')
            Layout.alignment: Qt.AlignRight
        }

        ComboBox {
            id: shapeCombo

            model: [qsTr('Point'), qsTr('Square'), qsTr('Circle')]
            onActivated: filter.set('Pixel Shape', index / 2)
        }

        Label {
            text: qsTr('Anchor X')
            Layout.alignment: Qt.AlignRight
        }

        Shotcut.SliderSpinner {
            id: anchorXSlider

            minimumValue: -100
            maximumValue: 200
            decimals: 1
            suffix: ' %'
            onValueChanged: filter.set('Anchor X', value / 100)
        }

        Label {
            text: qsTr('Anchor Y')
            Layout.alignment: Qt.AlignRight
        }

        Shotcut.SliderSpinner {
            id: anchorYSlider

            minimumValue: -100
            maximumValue: 200
            decimals: 1
            suffix: ' %'
            onValueChanged: filter.set('Anchor Y', value / 100)
        }

        Item {
            Layout.fillHeight: true
        }
    }
}
