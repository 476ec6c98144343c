// Tested by tests/gui/TextFilesTest.cpp.
#include "app/ImportInBackground.h"

#include <algorithm>
#include <cstdint>

#include <QFileInfo>

#include "ui/BackgroundWork.h"
#include "ui/UserPrompts.h"

ImportResult importInBackground(QWidget* parent, AddressStore& store, const std::string& path, RowId groupId) {
    ImportProgress progress;
    ImportResult result;
    BackgroundWork work;
    work.title = QStringLiteral("导入");
    work.run = [&](std::stop_token stop) { result = importAddresses(store, path, groupId, {}, &progress, stop); };
    work.describe = [&, file = QFileInfo(pathForDisplay(path)).fileName()] {
        return QStringLiteral("正在导入 %1\n已读 %2 行，已保存 %3 个地址")
            .arg(file)
            .arg(progress.lines.load())
            .arg(progress.stored.load());
    };
    work.percent = [&] {
        const std::uint64_t size = progress.fileSize.load();
        return size == 0 ? 0 : static_cast<int>(std::min<std::uint64_t>(progress.bytes.load(), size) * 100 / size);
    };
    runInBackground(parent, work);
    return result;
}
