#include <QtTest>

class Placeholder : public QObject {
    Q_OBJECT
private slots:
    void nothingYet() {}
};

QTEST_GUILESS_MAIN(Placeholder)
#include "test_e2e.moc"
