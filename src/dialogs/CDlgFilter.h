// The duplicate filter dialog: the user picks a file of addresses and a file for the result; a worker thread writes
// to the result the lines that are not addresses of the current group, and the dialog shows each line as it goes.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include <QElapsedTimer>
#include <QTimer>

#include "store/RowId.h"
#include "ui/TemplateDialog.h"

class BlockingNoticeTarget;
class CStaticLink;
class NoticeTarget;
struct WorkerNotice;

// The notice target of the filter dialog open last; a run's notices go to the dialog that started it.
extern std::shared_ptr<NoticeTarget> g_hFilterWnd;

class AddressStore;

class CDlgFilter final : public TemplateDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CDlgFilter)

public:
    // Filters against the groups of `store`.
    explicit CDlgFilter(AddressStore& store);
    ~CDlgFilter() override;

    AddressStore& m_store;
    RowId m_nGroupId = 0;
    std::string m_strGroupName;  // CP936
    std::string m_strGroupLabel; // CP936
    std::string m_strInputPath;  // native path
    std::string m_strOutputPath; // native path
    std::string m_strStatus;     // CP936: the line processed last, as read
    CStaticLink* m_linkHelp;

    // The handler of the worker's notices, on the dialog's thread.
    int OnFilterNotice(WorkerNotice& notice);

protected:
    void OnInitDialog() override;
    void done(int result) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void OnBrowseInput();
    void OnBrowseOutput();
    void OnStart();
    void pushFields();

    std::shared_ptr<BlockingNoticeTarget> m_noticeTarget;
    // The progress line is shown at most every few tens of milliseconds: a run reports many thousand lines a
    // second, and painting each would cost more than the run itself.
    QElapsedTimer m_sinceStatusShown;
    QTimer m_statusTimer;
};
