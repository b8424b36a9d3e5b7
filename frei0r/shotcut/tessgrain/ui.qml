// Shotcut's panel for the filter. Values are stored as the filter takes them (0 to 1): scale and
// edge blur are 64 x the value, the choices sit at 0, 0.5 and 1, the anchor is in frame units
// (shown in percent). Scale, Edge Blur and the anchor take keyframes.
import QtQuick 2.12
import QtQuick.Controls 2.12
import QtQuick.Layouts 1.12
import Shotcut.Controls 1.0 as Shotcut

Shotcut.KeyframableFilter {
    // The sliders show the stored value times their ratio.
    readonly property var sliders: [scaleSlider, blurSlider, anchorXSlider, anchorYSlider]
    readonly property var ratios: [64, 64, 100, 100]
    readonly property var buttons: [scaleKeyframes, blurKeyframes, anchorXKeyframes, anchorYKeyframes]
    readonly property var defaults: [1 / 64, 1 / 64, 0.5, 0.5]

    function setControls() {
        var position = getPosition();
        blockUpdate = true;
        for (var i = 0; i < keyframableParameters.length; ++i) {
            var name = keyframableParameters[i];
            sliders[i].value = filter.getDouble(name, position) * ratios[i];
            buttons[i].checked = filter.animateIn <= 0 && filter.animateOut <= 0 && filter.keyframeCount(name) > 0;
        }
        interpolationCombo.currentIndex = Math.round(filter.getDouble('Interpolation') * 2);
        shapeCombo.currentIndex = Math.round(filter.getDouble('Pixel Shape') * 2);
        blockUpdate = false;
        var enabled = isSimpleKeyframesActive();
        for (var j = 0; j < sliders.length; ++j)
            sliders[j].enabled = enabled;
    }

    function updateParameter(i, position) {
        updateFilter(keyframableParameters[i], sliders[i].value / ratios[i], buttons[i], position);
    }

    function updateSimpleKeyframes() {
        for (var i = 0; i < keyframableParameters.length; ++i)
            updateParameter(i, null);
    }

    function toggleParameter(i) {
        for (var j = 0; j < sliders.length; ++j)
            sliders[j].enabled = true;
        toggleKeyframes(buttons[i].checked, keyframableParameters[i], sliders[i].value / ratios[i]);
    }

    keyframableParameters: ['Scale', 'Edge Blur', 'Anchor X', 'Anchor Y']
    startValues: defaults.slice()
    middleValues: defaults.slice()
    endValues: defaults.slice()
    width: 400
    height: 230
    Component.onCompleted: {
        // MLT cuts a frame into that many slices and updates each on its own when this is 0 (one
        // per processor) or more than 1. An enlargement needs the whole frame: one slice.
        filter.set('threads', 1);
        if (filter.isNew) {
            for (var i = 0; i < keyframableParameters.length; ++i)
                filter.set(keyframableParameters[i], defaults[i]);
            filter.set('Interpolation', 0);
            filter.set('Pixel Shape', 0);
        }
        setControls();
    }

    GridLayout {
        anchors.fill: parent
        anchors.margins: 8
        columns: 3

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
            suffix: ' ×'
            onValueChanged: updateParameter(0, getPosition())
        }

        Shotcut.KeyframesButton {
            id: scaleKeyframes

            onToggled: toggleParameter(0)
        }

        Label {
            text: qsTr('Interpolation')
            Layout.alignment: Qt.AlignRight
        }

        Shotcut.ComboBox {
            id: interpolationCombo

            Layout.columnSpan: 2
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
            onValueChanged: updateParameter(1, getPosition())
        }

        Shotcut.KeyframesButton {
            id: blurKeyframes

            onToggled: toggleParameter(1)
        }

        Label {
            text: qsTr('Pixel Shape')
            Layout.alignment: Qt.AlignRight
        }

        Shotcut.ComboBox {
            id: shapeCombo

            Layout.columnSpan: 2
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
            onValueChanged: updateParameter(2, getPosition())
        }

        Shotcut.KeyframesButton {
            id: anchorXKeyframes

            onToggled: toggleParameter(2)
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
            onValueChanged: updateParameter(3, getPosition())
        }

        Shotcut.KeyframesButton {
            id: anchorYKeyframes

            onToggled: toggleParameter(3)
        }

        Item {
            Layout.fillHeight: true
        }
    }

    Connections {
        function onChanged() {
            setControls();
        }

        function onInChanged() {
            updateSimpleKeyframes();
        }

        function onOutChanged() {
            updateSimpleKeyframes();
        }

        function onAnimateInChanged() {
            updateSimpleKeyframes();
        }

        function onAnimateOutChanged() {
            updateSimpleKeyframes();
        }

        function onPropertyChanged(name) {
            setControls();
        }

        target: filter
    }

    Connections {
        function onPositionChanged() {
            setControls();
        }

        target: producer
    }
}
