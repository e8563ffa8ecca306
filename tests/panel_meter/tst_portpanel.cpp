#include <QtTest>

class TestPortPanel : public QObject {
    Q_OBJECT
private slots:
    void placeholder() {}
};

QTEST_MAIN(TestPortPanel)
#include "tst_portpanel.moc"
