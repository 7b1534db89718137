#include "comm/codec/design_image.h"

#include "comm/codec/crc16.h"
#include "comm/codec/requests.h"

QByteArray designWireImage(const PROJECT_DATA &project, const SENSOR_PARAMETERS &parameters)
{
    const bool mirrored = parameters.SensorInstallDir != 0;
    QByteArray image;
    TxFrame tx;
    for (int i = 0; i < kAreaCount; ++i) {
        buildWriteAreaRequest(tx, i, i < project.Areas.size() ? project.Areas[i] : project.EmptyArea,
                              mirrored);
        image += tx.bytes();
    }
    buildWriteCaseRequest(tx, project.Areas);
    image += tx.bytes();
    buildWriteParametersRequest(tx, parameters);
    image += tx.bytes();
    return image;
}

quint32 designImageCrc(const PROJECT_DATA &project, const SENSOR_PARAMETERS &parameters)
{
    return crc32Ieee(designWireImage(project, parameters));
}
