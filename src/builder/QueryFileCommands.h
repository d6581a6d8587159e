#pragma once

#include "storage/SavedQuery.h"

#include <QObject>
#include <functional>

namespace lorvane {

class frmQDM;

// The builder window's commands on saved queries: save, open (the exchange through the host),
// delete, and loading a saved query when the window opens on one.
class QueryFileCommands : public QObject {
    Q_OBJECT
public:
    explicit QueryFileCommands(frmQDM& window);

    // How the window connects again to a saved query's database; the component supplies it.
    using Reconnect = std::function<void(const StoredConnection&)>;
    void setReconnect(Reconnect reconnect) { reconnect_ = std::move(reconnect); }

    // The dialogs: each sets the current query path (and the open one its folder); false
    // when the user cancelled.
    bool SaveFile();
    bool OpenFile();
    // Deletes the file set of the current query path and clears it.
    void DeleteQuery();

    // cmdSaveQuery: true when the query was written.
    bool save();
    // cmdOpenQuery: asks the host for a saved query by closing the window.
    void open();
    // cmdDeleteQuery.
    void remove();
    // Loads the saved query the host asked for (its QueryName, or one chosen in the open
    // dialog). A file that cannot be read ends with the message and the load error text set.
    void load();

    const QString& currentQueryPath() const { return path_; }

    // Whether closing has anything to offer to save: the query has a table and differs from
    // what was last saved, opened, or there when the window loaded.
    bool worthSaving() const;
    // The query as it stands now counts as unchanged (after the window loaded).
    void markUnchanged();

private:
    frmQDM& w_;
    Reconnect reconnect_;
    QString path_;
    QString folder_;
    QByteArray unchanged_;  // the fingerprint of the query when it was last saved or opened

    // Everything a save writes, boiled down: equal fingerprints save equal files.
    QByteArray fingerprint() const;

    SavedLists currentLists() const;
    void restore(const SavedLists& lists);
    void loadFailed(const QString& path);
};

}  // namespace lorvane
