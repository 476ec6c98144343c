// The import with the window alive: the file is read and stored on a worker thread, and a dialog shows how far it
// has come, with a button that stops it, once the run has lasted long enough for a user to wonder.
#pragma once

#include <functional>
#include <string>

#include <QDialog>
#include <QTimer>

#include "store/RowId.h"
#include "textfiles/AddressImport.h"

class AddressStore;
class QLabel;
class QProgressBar;
class QPushButton;

class ImportProgressDialog final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ImportProgressDialog)

public:
    // Shows `progress` of the import of `fileName`; `requestStop` asks the worker to stop.
    ImportProgressDialog(QWidget* parent, const QString& fileName, const ImportProgress& progress,
                         std::function<void()> requestStop);
    ~ImportProgressDialog() override;

    // The worker has ended: the dialog closes (at once when it is not showing yet).
    void workerEnded();
    bool hasWorkerEnded() const { return m_workerEnded; }

protected:
    // Escape and the title bar's close button stop the run, as the button does; the dialog closes when it has.
    void reject() override;

private:
    void showProgress();

    const ImportProgress& m_progress;
    std::function<void()> m_requestStop;
    QLabel* m_counts;
    QProgressBar* m_bar;
    QPushButton* m_stop;
    QTimer m_refresh;
    bool m_workerEnded = false;
};

// Imports `path` into group `groupId` as importAddresses() does, on a worker thread. The window's own thread keeps
// painting and ticking meanwhile; user input waits until the run ends, and after about half a second a modal
// progress dialog shows, whose 停止 ends the run at the last batch committed.
ImportResult importWithProgress(QWidget* parent, AddressStore& store, const std::string& path, RowId groupId);
