#pragma once
// What a reviewer calls a layout fault in a shown form: a child that lies
// outside its parent, a caption cut short (labels, buttons, group titles,
// tabs, report cells), a label above its list that floats away from it, and
// a row label whose centre is more than 4 pixels off its list row's. Every
// form's picture is checked this way (saveShot).
#include <QString>
#include <functional>
#include <string>
#include <vector>

class QLabel;
class QListWidget;
class QWidget;

namespace tarvex::ui {

std::vector<std::string> layoutFaults(QWidget& form);

// Marks a label that names row `row` of `list` (a label per row beside it).
void markRowLabel(QLabel* label, QListWidget* list, int row);

// Called with every form's faults before its picture is taken; the tests
// make each one a failure.
using ShotChecker = std::function<void(const std::string& name, const std::vector<std::string>& faults)>;
void setShotChecker(ShotChecker checker);

}  // namespace tarvex::ui
