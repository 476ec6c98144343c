// Takes the README's screenshots of the real windows: the main window with a group and a page of its addresses,
// the name dialog in its two modes, the address editor in its two modes, and the list tools' import of a list with
// names (its preview and its summary) and find. It makes a temporary book of a few
// groups (Chinese and Latin names) with realistic Chinese names, starts the main window in it, and drives the
// window as a person would: a click on a group, a click on a row, the buttons that open the dialogs.
//
//   corvane-screenshots OUTPUT_FOLDER
//
// Meant for a real X server (scripts/screenshots.sh runs it under Xvfb on the xcb platform), so that fonts and
// style are what a desktop gives. Xvfb has no window manager and a widget's grab holds no frame, so each picture
// gets a plain caption strip with the window's icon and title drawn above it: without it the two modes of a
// dialog, which differ only in their title, would give the same picture.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QImageWriter>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <QWindow>

#include "app/CCorvaneDlg.h"
#include "listdialogs/FindDialog.h"
#include "listdialogs/ListMenu.h"
#include "listdialogs/NamedImportDialog.h"
#include "platform/StartDirectory.h"
#include "store/AddressBook.h"
#include "support/BenchFolder.h"
#include "tools/CreateDatabase.h"
#include "ui/Cp936Text.h"
#include "ui/ReportList.h"
#include "ui/UserPrompts.h"

namespace {

namespace fs = std::filesystem;

// Control ids of the main window (dialog template 102) and of the dialogs (130, 131).
constexpr int kGroupList = 1000;
constexpr int kNewGroup = 1001;
constexpr int kRenameGroup = 1003;
constexpr int kAddressList = 1005;
constexpr int kAddAddress = 1006;
constexpr int kEditAddress = 1008;
constexpr int kPageLabel = 1023;
constexpr int kGroupNameEdit = 1013;
constexpr int kPersonNameEdit = 1014;
constexpr int kEmailEdit = 1016;

[[noreturn]] void fail(const std::string& text) {
    throw std::runtime_error(text);
}

// ---- The book -----------------------------------------------------------------------------------------------------

struct Person {
    const char* hanzi;
    const char* pinyin;
};

constexpr Person kSurnames[] = {
    {"王", "wang"}, {"李", "li"},  {"张", "zhang"}, {"刘", "liu"}, {"陈", "chen"}, {"杨", "yang"}, {"黄", "huang"},
    {"赵", "zhao"}, {"吴", "wu"},  {"周", "zhou"},  {"徐", "xu"},  {"孙", "sun"},  {"马", "ma"},   {"朱", "zhu"},
    {"胡", "hu"},   {"郭", "guo"}, {"何", "he"},    {"林", "lin"}, {"罗", "luo"},  {"高", "gao"},
};
constexpr Person kGivenNames[] = {
    {"芳", "fang"},       {"雷", "lei"},      {"伟", "wei"},       {"静", "jing"},      {"敏", "min"},
    {"丽", "li"},         {"强", "qiang"},    {"磊", "lei"},       {"洋", "yang"},      {"艳", "yan"},
    {"勇", "yong"},       {"军", "jun"},      {"杰", "jie"},       {"娟", "juan"},      {"涛", "tao"},
    {"明", "ming"},       {"超", "chao"},     {"秀英", "xiuying"}, {"建华", "jianhua"}, {"晓燕", "xiaoyan"},
    {"志强", "zhiqiang"}, {"海燕", "haiyan"}, {"桂英", "guiying"}, {"文博", "wenbo"},
};
constexpr const char* kDomains[] = {"163.com",  "qq.com",      "126.com",  "sina.com",
                                    "sohu.com", "foxmail.com", "yeah.net", "aliyun.com"};

struct Address {
    std::string email;
    std::string name; // CP936
};

// The `count` people of a group, made from `seed` so that each group has its own: 王芳 <wangfang@163.com>, QQ
// numbers at qq.com, and the other usual shapes of a Chinese mailbox name.
std::vector<Address> people(int count, int seed) {
    constexpr int surnames = static_cast<int>(std::size(kSurnames));
    constexpr int givens = static_cast<int>(std::size(kGivenNames));
    constexpr int domains = static_cast<int>(std::size(kDomains));
    std::vector<Address> result;
    for (int i = 0; i < count; ++i) {
        const int k = i + seed * 37;
        const Person& surname = kSurnames[(k * 7) % surnames];
        const Person& given = kGivenNames[(k * 11) % givens];
        const std::string domain = kDomains[(k * 5 + k / 8) % domains];
        std::string local;
        if (domain == "qq.com" && k % 2 == 0)
            local = std::to_string(10'000'000 + (k * 7'919'113) % 890'000'000); // a QQ number
        else if (k % 4 == 0)
            local = std::string(given.pinyin) + "." + surname.pinyin;
        else if (k % 4 == 1)
            local = std::string(surname.pinyin) + given.pinyin + std::to_string(k % 90 + 10);
        else if (k % 4 == 2)
            local = std::string(surname.pinyin) + "_" + given.pinyin;
        else
            local = std::string(surname.pinyin) + given.pinyin;
        result.push_back(
            {local + "@" + domain, cp936(QString::fromUtf8(surname.hanzi) + QString::fromUtf8(given.hanzi))});
    }
    return result;
}

// The book: groups in the order they were made (the window lists the newest first), and their people.
struct BookGroup {
    const char* name;
    int people;
};
constexpr BookGroup kBookGroups[] = {
    {"客户", 120}, {"Newsletter", 36}, {"同事", 18}, {"Partners", 12}, {"展会名单", 64}, {"老客户回访", 27},
};
constexpr const char* kShownGroup = "客户";

void fillBook(const std::string& folder) {
    std::string error;
    if (createDatabase(folder, builtInSchema(), error) != CreateDatabaseResult::kCreated)
        fail("cannot create the book: " + error);
    AddressStore store;
    if (!store.OpenDatabase(folder)) fail("cannot open the new book");
    store.setErrorReporter([](const std::string& text) { fail(text); });
    for (const BookGroup& group : kBookGroups)
        store.AddGroup(cp936(QString::fromUtf8(group.name)));
    std::vector<GroupRecord> groups;
    store.LoadGroups(groups);
    if (groups.size() != std::size(kBookGroups)) fail("the groups were not stored");
    StoreTransaction batch = store.beginTransaction();
    for (std::size_t g = 0; g < groups.size(); ++g)
        for (const Address& address : people(kBookGroups[g].people, static_cast<int>(g)))
            store.InsertAddress(groups[g].id, address.email, address.name);
    batch.commit();
    store.closeDatabase();
}

// ---- Driving the window -------------------------------------------------------------------------------------------

// No message box may appear while the pictures are taken; one that does is answered and ends the run as a failure.
class FailingPrompts final : public UserPrompts {
public:
    PromptAnswer showMessage(QWidget*, const QString& text, const QString&, PromptIcon, PromptButtons) override {
        std::fprintf(stderr, "corvane-screenshots: unexpected message box: %s\n", qPrintable(text));
        failed = true;
        return PromptAnswer::Ok;
    }
    bool openInBrowser(const std::string&) override { return false; }
    // The files "chosen", in turn; then none.
    std::optional<std::string> chooseFile(QWidget*, const FileChooser&) override {
        if (files.empty()) return std::nullopt;
        std::string file = files.front();
        files.erase(files.begin());
        return file;
    }
    std::vector<std::string> files;
    bool failed = false;
};

template <class Control = QWidget> Control* control(QWidget* window, int id) {
    auto* found = window->findChild<Control*>(QString::number(id));
    if (!found) fail("no control " + std::to_string(id));
    return found;
}

void clickRow(ReportList* list, int row) {
    QTreeWidgetItem* item = list->topLevelItem(row);
    if (!item) fail("no row " + std::to_string(row));
    list->scrollToItem(item);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, list->visualItemRect(item).center());
}

// Text typed into an edit as an input method commits it (the way Chinese arrives from a keyboard).
void typeText(QWidget* edit, const QString& text) {
    QInputMethodEvent event;
    event.setCommitString(text);
    QApplication::sendEvent(edit, &event);
}

// Runs `open`, which opens a modal dialog; once the dialog is on screen, runs `action` on it and then closes it with
// Cancel, so that nothing changes in the book.
void withModal(const std::function<void()>& open, const std::function<void(QDialog*)>& action,
               const std::string& what) {
    bool done = false;
    int waited = 0;
    QTimer timer;
    timer.setInterval(20);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dialog || !dialog->windowHandle() || !dialog->windowHandle()->isExposed() || dialog->isHidden()) {
            if (++waited > 500) { // ten seconds: give up, and close whatever half-opened dialog there is
                timer.stop();
                if (dialog) dialog->reject();
            }
            return;
        }
        timer.stop();
        QTest::qWait(200); // let the first paints and the fonts settle
        action(dialog);
        done = true;
        dialog->reject();
    });
    timer.start();
    open();
    if (!done) fail("the dialog of " + what + " was not driven");
}

// The modal dialog that button `buttonId` of `window` opens.
void withDialog(QWidget* window, int buttonId, const std::function<void(QDialog*)>& action) {
    withModal([&] { QTest::mouseClick(control<QPushButton>(window, buttonId), Qt::LeftButton); }, action,
              "button " + std::to_string(buttonId));
}

// The modal dialog that the menu command `actionName` of `window` opens.
void withMenuDialog(CCorvaneDlg* window, const char* actionName, const std::function<void(QDialog*)>& action) {
    auto* command = window->GetMenuBar()->findChild<QAction*>(QLatin1String(actionName));
    if (!command) fail(std::string("no menu command ") + actionName);
    withModal([&] { command->trigger(); }, action, actionName);
}

template <class Widget> Widget* named(QWidget* dialog, const char* name) {
    auto* widget = dialog->findChild<Widget*>(QLatin1String(name));
    if (!widget) fail(std::string("no control ") + name);
    return widget;
}

// ---- Pictures -------------------------------------------------------------------------------------------------

// The widget's grab under a caption strip with its icon and title, in a thin frame.
QImage framed(QWidget* window) {
    const qreal ratio = window->devicePixelRatioF();
    const QImage client = window->grab().toImage();
    const int border = 1;
    const int caption = 26;
    const QSize clientSize = client.size() / ratio;
    QImage image(QSize(clientSize.width() + 2 * border, clientSize.height() + caption + border) * ratio,
                 QImage::Format_RGB32);
    image.setDevicePixelRatio(ratio);
    image.fill(QColor(0x3a, 0x4a, 0x5e));
    QPainter painter(&image);
    const QIcon icon = window->windowIcon();
    int textLeft = 8;
    if (!icon.isNull()) {
        painter.drawPixmap(6, (caption - 16) / 2, icon.pixmap(16, 16));
        textLeft = 28;
    }
    QFont font = window->font();
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(QRect(textLeft, 0, clientSize.width() - textLeft, caption), Qt::AlignVCenter | Qt::AlignLeft,
                     window->windowTitle());
    painter.drawImage(QPoint(border, caption), client);
    return image;
}

void save(const QImage& image, const fs::path& file) {
    QImageWriter writer(QString::fromStdString(file.string()), "png");
    writer.setQuality(0); // the strongest compression: the pictures go into the repository
    if (!writer.write(image)) fail("cannot write " + file.string() + ": " + writer.errorString().toStdString());
    std::printf("%s %dx%d\n", file.c_str(), image.width(), image.height());
}

int run(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: corvane-screenshots OUTPUT_FOLDER\n");
        return 2;
    }
    const fs::path output = fs::absolute(argv[1]);
    fs::create_directories(output);

    QApplication application(argc, argv);
    const BenchFolder work("screenshots");
    const std::string& folder = work.path();
    fillBook(folder);

    // As the program starts: its names, the book's folder as the start directory.
    QCoreApplication::setOrganizationName(QStringLiteral("TalvexCorvane"));
    QCoreApplication::setApplicationName(QStringLiteral("Corvane"));
    fs::current_path(folder);
    captureStartDirectory();
    auto prompts = std::make_unique<FailingPrompts>();
    FailingPrompts* shownPrompts = prompts.get();
    installPrompts(std::move(prompts));

    auto window = std::make_unique<CCorvaneDlg>(AddressBook::program());
    window->Create();
    if (!QTest::qWaitForWindowExposed(window.get())) fail("the main window did not show");

    // A click on the group, and its first page of fifty.
    auto* groups = control<ReportList>(window.get(), kGroupList);
    auto* addresses = control<ReportList>(window.get(), kAddressList);
    int shownRow = -1;
    for (int row = 0; row < groups->GetItemCount(); ++row)
        if (groups->GetItemText(row, 0) == cp936(QString::fromUtf8(kShownGroup))) shownRow = row;
    if (shownRow < 0) fail("the group is not in the list");
    clickRow(groups, shownRow);
    if (!QTest::qWaitFor([&] { return addresses->GetItemCount() == 50; }, 10'000)) fail("no page of addresses");
    QTest::qWait(300);
    std::printf("page label: %s\n", qPrintable(control<QLabel>(window.get(), kPageLabel)->text()));
    save(framed(window.get()), output / "main-window.png");

    withDialog(window.get(), kNewGroup, [&](QDialog* dialog) {
        typeText(control(dialog, kGroupNameEdit), QStringLiteral("展会名单 2024"));
        QTest::qWait(50);
        save(framed(dialog), output / "new-group.png");
    });
    withDialog(window.get(), kRenameGroup, [&](QDialog* dialog) {
        typeText(control(dialog, kGroupNameEdit), QStringLiteral("重要客户"));
        QTest::qWait(50);
        save(framed(dialog), output / "rename-group.png");
    });
    withDialog(window.get(), kAddAddress, [&](QDialog* dialog) { save(framed(dialog), output / "add-address.png"); });
    clickRow(addresses, 2);
    withDialog(window.get(), kEditAddress, [&](QDialog* dialog) {
        std::printf("editing: %s %s\n", qPrintable(control<QLineEdit>(dialog, kEmailEdit)->text()),
                    qPrintable(control<QLineEdit>(dialog, kPersonNameEdit)->text()));
        save(framed(dialog), output / "edit-address.png");
    });

    // The list tools: a list with names, previewed and then summed up; a find as the user types.
    const std::string list = folder + "/展会报名.csv";
    {
        std::FILE* file = std::fopen(list.c_str(), "wb");
        if (!file) fail("cannot write the list");
        std::fputs("\xEF\xBB\xBF姓名,Email,公司\r\n"
                   "陈晓明,chen.xiaoming@example.com,华光科技\r\n"
                   "林雅婷,linyating@example.cn,\"远航贸易, 上海\"\r\n"
                   "赵国强,zhao.gq@example.com,国强建材\r\n"
                   "王芳,wangfang@@example,博雅文化\r\n"
                   "孙丽,sunli@example.com,丽人服饰\r\n"
                   "周建华,zhou.jianhua@example.net,建华物流\r\n",
                   file);
        std::fclose(file);
    }
    withMenuDialog(window.get(), ListMenuActions::kImportNamed, [&](QDialog* dialog) {
        shownPrompts->files.push_back(list);
        QTest::mouseClick(named<QPushButton>(dialog, NamedImportControls::kBrowse), Qt::LeftButton);
        QTest::qWait(200);
        save(framed(dialog), output / "import-list.png");
        withModal([&] { QTest::mouseClick(named<QPushButton>(dialog, NamedImportControls::kImport), Qt::LeftButton); },
                  [&](QDialog* summary) { save(framed(summary), output / "import-summary.png"); }, "the summary");
    });
    withMenuDialog(window.get(), ListMenuActions::kFind, [&](QDialog* dialog) {
        typeText(named<QLineEdit>(dialog, FindDialogControls::kText), QStringLiteral("zh"));
        auto* results = named<QTreeWidget>(dialog, FindDialogControls::kResults);
        if (!QTest::qWaitFor([&] { return results->topLevelItemCount() > 0; }, 10'000)) fail("nothing found");
        QTest::qWait(400);
        save(framed(dialog), output / "find.png");
    });

    window.reset();
    const bool failed = shownPrompts->failed;
    installPrompts(nullptr);
    return failed ? 1 : 0;
}

} // namespace

int main(int argc, char** argv) {
    try {
        return run(argc, argv);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "corvane-screenshots: %s\n", error.what());
        return 1;
    }
}
