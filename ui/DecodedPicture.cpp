#include "ui/DecodedPicture.h"

#include <QCoreApplication>
#include <QHash>
#include <QImage>
#include <QLabel>
#include <QList>
#include <QPixmap>
#include <QPointer>
#include <QThreadPool>

namespace ui {
namespace {

struct Decode {
    bool Done = false;
    QPixmap Picture; // shared with the labels that show it: keeping it costs no memory
    QList<QPointer<QLabel>> Waiting;
};

// Touched on the window's thread only; the worker hands its result over by a queued call.
QHash<QString, Decode> &Decodes() {
    static QHash<QString, Decode> decodes;
    return decodes;
}

void Deliver(const QString &path, const QImage &image) {
    Decode &decode = Decodes()[path];
    decode.Done = true;
    decode.Picture = QPixmap::fromImage(image);
    for (const QPointer<QLabel> &label : std::as_const(decode.Waiting))
        if (label)
            label->setPixmap(decode.Picture);
    decode.Waiting.clear();
}

} // namespace

void PrefetchPicture(const QString &path) {
    if (Decodes().contains(path))
        return;
    Decodes().insert(path, Decode());
    QThreadPool::globalInstance()->start([path] {
        // Converted here to what a pixmap holds, so the window's thread only copies it.
        const QImage image = QImage(path).convertToFormat(QImage::Format_RGB32);
        // The application object outlives the global pool's tasks: a safe receiver.
        QMetaObject::invokeMethod(
            QCoreApplication::instance(), [path, image] { Deliver(path, image); },
            Qt::QueuedConnection);
    });
}

void ShowDecodedPicture(QLabel *label, const QString &path) {
    PrefetchPicture(path);
    Decode &decode = Decodes()[path];
    if (decode.Done)
        label->setPixmap(decode.Picture);
    else
        decode.Waiting.append(label);
}

} // namespace ui
