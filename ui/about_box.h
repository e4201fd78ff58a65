// AboutBox: the program's icon, version, copyright and the software-update link.
#pragma once

#include <QDialog>

namespace nimbrel {

struct Configuration;
class LanguageTable;

class AboutBox : public QDialog {
    Q_OBJECT
public:
    AboutBox(const Configuration& config, const LanguageTable& texts, QWidget* parent = nullptr);
};

} // namespace nimbrel
