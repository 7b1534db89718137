// The project-file reader: the magic line, then the area section read into the project store, as the
// program opens a file.
#include "area/file/project_file.h"
#include "area/store/device_type.h"
#include "area/store/project_data.h"

#include <QTextStream>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QByteArray bytes(reinterpret_cast<const char *>(data), int(size));
    QTextStream in(&bytes, QIODevice::ReadOnly);
    const QString magic = in.readLine();
    (void)magic;
    PROJECT_DATA &project = ProjectData();
    project.resetToStartup();
    ProjectFile::readAreas(in, project);
    if (project.Areas.size() != kAreaCount)
        __builtin_trap();
    for (const AREA_DATA &a : project.Areas)
        for (int output = 0; output < kOutputCount; ++output)
            if (a.shape(output) < Polygon || a.shape(output) > Ratio)
                __builtin_trap();
    return 0;
}
