#pragma once

#include <QString>
#include <QStringList>

class QWidget;

// The platform's file and folder dialogs, with answers a test can give in advance.
namespace dialogs {

// The chosen files (empty when cancelled).
QStringList AskOpenFiles(QWidget *parent, const QString &startFolder, const QString &filter);
// The chosen folder, without a trailing "/" (null when cancelled).
QString AskFolder(QWidget *parent);

// Tests: the next questions are answered with these, in order, without showing a dialog.
// A null folder answers as a cancelled dialog.
void AnswerNextFiles(const QStringList &files);
void AnswerNextFolder(const QString &folder);
// Questions asked since the start, of both kinds.
int QuestionsAsked();

} // namespace dialogs
