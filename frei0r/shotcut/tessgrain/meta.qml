import QtQuick 2.0
import org.shotcut.qml 1.0

Metadata {
    type: Metadata.Filter
    name: qsTr("Tessgrain")
    keywords: qsTr('pixel art upscale enlarge zoom nearest') + ' tessgrain'
    mlt_service: 'frei0r.tessgrain'
    qml: 'ui.qml'
}
