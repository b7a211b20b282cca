#pragma once
// The key filter of the editors' number boxes: a typed character passes only
// when numberKeyPasses says so. Keys that type nothing (arrows, Delete) and
// control keys (Tab, Escape, the copy and paste shortcuts) are not typed
// characters and pass.
#include <QObject>
#include <QString>

#include <cstdint>

class QLineEdit;

namespace zv {

class NumberKeyFilter : public QObject {
    Q_OBJECT
public:
    explicit NumberKeyFilter(QObject* parent) : QObject(parent) {}

    void setSeparatorCode(int16_t code) { separatorCode_ = code; }
    int16_t separatorCode() const { return separatorCode_; }
    void watch(QLineEdit* box);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    int16_t separatorCode_ = 0;
};

}  // namespace zv
