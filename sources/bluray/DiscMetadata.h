#pragma once

#include <QByteArray>
#include <QString>

class QIODevice;

// The disc name and thumbnail file name from "bdmt_eng.xml"; empty when not found.
struct DiscMetadata {
    QByteArray Name;      // 8-bit, at most 255 bytes
    QByteArray Thumbnail; // 8-bit, at most 255 bytes
};

DiscMetadata ReadDiscMetadata(const QString &file);
DiscMetadata ReadDiscMetadata(QIODevice &device);
