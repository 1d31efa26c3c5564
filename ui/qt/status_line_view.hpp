#pragma once
// The status line's panels with their texts and colours.
#include <QWidget>

#include "ui/model/status_line.hpp"

class QLabel;

namespace tarvex::ui {

class StatusLineView final : public QWidget {
public:
    explicit StatusLineView(StatusLineSource& source, QWidget* parent = nullptr);
    QLabel* panel(int index) const;

private:
    void refresh();

    StatusLineSource& source_;
    std::vector<QLabel*> panels_;
};

}  // namespace tarvex::ui
