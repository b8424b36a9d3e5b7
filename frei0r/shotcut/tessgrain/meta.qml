import QtQuick 2.0
import org.shotcut.qml 1.0

Metadata {
    type: Metadata.Filter
    name: qsTr("Tessgrain")
    keywords: qsTr('pixel art upscale enlarge zoom nearest') + ' tessgrain'
    mlt_service: 'frei0r.tessgrain'
    qml: 'ui.qml'

    // The keyframe lanes, in the values the filter takes (0 to 1).
    keyframes {
        allowAnimateIn: true
        allowAnimateOut: true
        simpleProperties: ['Scale', 'Edge Blur', 'Anchor X', 'Anchor Y']
        parameters: [
            Parameter {
                name: qsTr('Scale')
                property: 'Scale'
                isCurve: true
                minimum: 1 / 64
                maximum: 1
            },
            Parameter {
                name: qsTr('Edge Blur')
                property: 'Edge Blur'
                isCurve: true
                minimum: 0
                maximum: 1
            },
            Parameter {
                name: qsTr('Anchor X')
                property: 'Anchor X'
                isCurve: true
                minimum: -1
                maximum: 2
            },
            Parameter {
                name: qsTr('Anchor Y')
                property: 'Anchor Y'
                isCurve: true
                minimum: -1
                maximum: 2
            }
        ]
    }
}
