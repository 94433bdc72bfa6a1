#include "dialogs/FileDialogs.h"

#include <QFileDialog>
#include <QList>

namespace dialogs {

namespace {

QList<QStringList> &FileAnswers() {
    static QList<QStringList> queue;
    return queue;
}

QList<QString> &FolderAnswers() {
    static QList<QString> queue;
    return queue;
}

int &Asked() {
    static int count = 0;
    return count;
}

} // namespace

QStringList AskOpenFiles(QWidget *parent, const QString &startFolder, const QString &filter) {
    ++Asked();
    if (!FileAnswers().isEmpty())
        return FileAnswers().takeFirst();
    return QFileDialog::getOpenFileNames(parent, QString(), startFolder, filter);
}

QString AskFolder(QWidget *parent) {
    ++Asked();
    if (!FolderAnswers().isEmpty())
        return FolderAnswers().takeFirst();
    return QFileDialog::getExistingDirectory(parent, QString(), QString(),
                                             QFileDialog::ShowDirsOnly);
}

void AnswerNextFiles(const QStringList &files) {
    FileAnswers().append(files);
}

void AnswerNextFolder(const QString &folder) {
    FolderAnswers().append(folder);
}

int QuestionsAsked() {
    return Asked();
}

} // namespace dialogs
