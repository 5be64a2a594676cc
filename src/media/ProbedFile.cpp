#include "media/ProbedFile.h"

#include <QFileInfo>

namespace tolvane {

ProbedFile ProbedFile::of(const QString &filePath)
{
    const QFileInfo info(filePath);
    ProbedFile file;
    file.extension = info.suffix();
    if (info.isFile())
        file.size = info.size();
    return file;
}

} // namespace tolvane
