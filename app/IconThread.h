// The type-name worker: fetches the shell's type name of every listed file
// off the user-interface thread. It never touches a widget: it works from a
// snapshot of the names and hands back batches tagged with the listing
// generation it was started for, which the browser applies only while that
// listing is current.
#pragma once

#include <QString>
#include <QStringList>
#include <QThread>

namespace pelmora {

class TIconThread : public QThread {
    Q_OBJECT
public:
    TIconThread(QString folder, QStringList names, quint64 generation);

    quint64 Generation() const { return generation_; }

signals:
    // The type names of the snapshot's names at first, first + 1, ...
    void TypeNamesFound(quint64 generation, int first, QStringList typeNames);

protected:
    void run() override;

private:
    QString folder_;
    QStringList names_;
    quint64 generation_;
};

} // namespace pelmora
