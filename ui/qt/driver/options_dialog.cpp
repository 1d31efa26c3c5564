#include "ui/qt/driver/options_dialog.hpp"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "core/message_box.hpp"
#include "ui/qt/history_combo.hpp"
#include "ui/qt/driver/lpc_config_dialog.hpp"
#include "ui/qt/radio_group.hpp"

namespace tarvex::ui {

namespace {

constexpr unsigned kErrorIcon = 0x10;

bool isCheckedEdit(const QString& name) { return OptionsFormModel::checkedOnLeaving(name.toStdString()); }

QGroupBox* groupBox(QWidget* parent, const char* name, const char* title) {
    auto* g = new QGroupBox(QString::fromUtf8(title), parent);
    g->setObjectName(name);
    return g;
}

QCheckBox* checkBox(QWidget* parent, const char* name) {
    auto* c = new QCheckBox(parent);
    c->setObjectName(name);
    return c;
}

QLineEdit* lineEdit(QWidget* parent, const char* name, int maxLength = 0) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(name);
    if (maxLength > 0) e->setMaxLength(maxLength);
    return e;
}

QLabel* label(QWidget* parent, const char* name, const char* text, QWidget* buddy = nullptr) {
    auto* l = new QLabel(QString::fromUtf8(text), parent);
    l->setObjectName(name);
    if (buddy) l->setBuddy(buddy);
    return l;
}

RadioGroup* radios(QWidget* parent, const char* name, const char* title, int columns = 1) {
    auto* g = new RadioGroup(name, columns, parent);
    g->setTitle(QString::fromUtf8(title));
    return g;
}

QRadioButton* radio(QWidget* parent, const char* name) {
    auto* r = new QRadioButton(parent);
    r->setObjectName(name);
    return r;
}

const FormModel& pageModel(const OptionsFormModel& m, int i) {
    const FormModel* pages[] = {&m.preferences, &m.interface, &m.processor, &m.hardware, &m.banking, &m.watchdog};
    return *pages[i];
}

}  // namespace

OptionsDialog::OptionsDialog(OptionsFormModel& model, platform::SettingsStore& store, QWidget* parent)
    : DialogBase(model, parent), form_(model), store_(store) {
    setObjectName("TFormOptions");
    build();
    for (int i = 0; i < kOptionsPageCount; ++i)
        const_cast<FormModel&>(pageModel(form_, i)).onChanged([this] { refresh(); });
    form_.onChanged([this] { refresh(); });
    refresh();
    pages_->setCurrentIndex(form_.activePage());
    // Every edit is checked as it is left, unless the focus goes to Cancel.
    focusConnection_ = connect(qApp, &QApplication::focusChanged, this, [this](QWidget* old, QWidget* now) {
        if (!old || now == cancel_ || checking_ || !isAncestorOf(old)) return;
        QWidget* control = old;
        // An editable combo's line edit stands for its combo.
        if (auto* combo = qobject_cast<QComboBox*>(old->parentWidget())) control = combo;
        if (!isCheckedEdit(control->objectName())) return;
        checkLeaving(control);
    });
}

OptionsDialog::~OptionsDialog() {
    disconnect(focusConnection_);
    for (int i = 0; i < kOptionsPageCount; ++i) const_cast<FormModel&>(pageModel(form_, i)).onChanged({});
    form_.onChanged({});
}

QWidget* OptionsDialog::page(OptionsPage p) const { return pages_->widget(static_cast<int>(p)); }

// The user's actions reach the model; the binder's own changes do not.
template <class F>
auto OptionsDialog::guarded(F fn) {
    return [this, fn](auto&&... args) {
        if (!binding_) fn(args...);
    };
}

void OptionsDialog::onText(QLineEdit* e) {
    connect(e, &QLineEdit::textEdited, this, [this, e](const QString& text) {
        if (binding_) return;
        binding_ = true;
        form_.editText(e->objectName().toStdString(), text.toStdString(), true);
        binding_ = false;
        refresh();
    });
}

void OptionsDialog::buildPreferences(QWidget* p) {
    auto* v = new QVBoxLayout(p);
    auto* save = groupBox(p, "SaveGroup", " Load/save options: ");
    save->setToolTip("Break/trace settings and mapping are loaded and saved with the options");
    auto* sv = new QVBoxLayout(save);
    for (const char* n : {"BreakTraceCheck", "MapCheck"}) {
        auto* c = checkBox(save, n);
        sv->addWidget(c);
        const std::string name = n;
        connect(c, &QCheckBox::clicked, this, guarded([this, name](bool on) { form_.preferences.setChecked(name, on); }));
    }
    auto* ints = groupBox(p, "InterruptGroup", " Disable interrupts on: ");
    ints->setToolTip("Clear EA bit");
    auto* iv = new QVBoxLayout(ints);
    auto* step = checkBox(ints, "SingleStepCheck");
    iv->addWidget(step);
    connect(step, &QCheckBox::clicked, this, guarded([this](bool on) { form_.preferences.setChecked("SingleStepCheck", on); }));
    auto* boot = groupBox(p, "BootGroup", " Load boot loader: ");
    auto* bg = new QGridLayout(boot);
    auto* load = checkBox(boot, "BootLoaderCheck");
    connect(load, &QCheckBox::clicked, this, guarded([this](bool on) { form_.setBootLoaderLoad(on); }));
    auto* file = new HistoryCombo(boot, store_);
    file->setObjectName("BootFileName");
    file->setRegistryPath(kDriverKey);
    file->setIniSection("FormOptionsBootLoaderName");
    auto* address = new HistoryCombo(boot, store_);
    address->setObjectName("BootAddress");
    address->setRegistryPath(kDriverKey);
    address->setIniSection("FormOptionsBootLoaderAddress");
    auto* browse = new QPushButton(boot);
    browse->setObjectName("BrowseButton");
    connect(browse, &QPushButton::clicked, this, [this] {
        platform::FileRequest request;
        request.filter = "Binary files (*.bin)|*.bin";
        request.fileName = form_.preferences.control("BootFileName").text;
        if (auto choice = platform::currentUi().files->chooseFile(request))
            form_.preferences.setText("BootFileName", choice->path);
    });
    bg->addWidget(load, 0, 0, 1, 3);
    bg->addWidget(label(boot, "BootFileNameLabel", "&File name:", file), 1, 0);
    bg->addWidget(file, 1, 1);
    bg->addWidget(browse, 1, 2);
    bg->addWidget(label(boot, "BootAddressLabel", "Load address:", address), 2, 0);
    bg->addWidget(address, 2, 1);
    for (auto* combo : {file, address})
        connect(combo, &QComboBox::editTextChanged, this, [this, combo](const QString& text) {
            if (!binding_) form_.preferences.setText(combo->objectName().toStdString(), text.toStdString());
        });
    v->addWidget(save);
    v->addWidget(ints);
    v->addWidget(boot);
    v->addStretch(1);
}

void OptionsDialog::buildInterface(QWidget* p) {
    auto* v = new QVBoxLayout(p);
    auto* kind = radios(p, "LinkKindGroup", "", 3);
    kind->onClicked(guarded([this](int i) { form_.chooseLinkKind(i); }));
    auto* port = groupBox(p, "PortGroup", " Parallel Port: ");
    auto* pg = new QGridLayout(port);
    auto* name = new QComboBox(port);
    name->setObjectName("PortName");
    connect(name, &QComboBox::activated, this, guarded([this](int i) { form_.choosePortName(i); }));
    auto* address = new QComboBox(port);
    address->setObjectName("PortAddress");
    address->setEditable(true);
    for (const char* a : {"$0378", "$0278", "$03B0"}) address->addItem(a);
    connect(address, &QComboBox::editTextChanged, this, [this](const QString& text) {
        if (binding_) return;
        binding_ = true;
        form_.editText("PortAddress", text.toStdString(), true);
        binding_ = false;
    });
    pg->addWidget(label(port, "RestartLabel", "Changes only at restart"), 0, 0, 1, 2);
    pg->addWidget(label(port, "PortNameLabel", "&Name:", name), 1, 0);
    pg->addWidget(name, 1, 1);
    pg->addWidget(label(port, "PortAddressLabel", "&Address:", address), 2, 0);
    pg->addWidget(address, 2, 1);
    auto* baud = radios(port, "BaudRateGroup", " &BaudRate: ", 2);
    baud->onClicked(guarded([this](int i) {
        form_.interface.setItems("BaudRateGroup", form_.interface.control("BaudRateGroup").items, i);
    }));
    pg->addWidget(baud, 3, 0, 1, 2);
    auto* exclusive = checkBox(port, "ExclusiveCheck");
    connect(exclusive, &QCheckBox::clicked, this, guarded([this](bool on) { form_.interface.setChecked("ExclusiveCheck", on); }));
    pg->addWidget(exclusive, 4, 0, 1, 2);
    auto* usb = groupBox(p, "UsbGroup", " Select device number: ");
    auto* ug = new QVBoxLayout(usb);
    auto* boards = new QListWidget(usb);
    boards->setObjectName("UsbList");
    connect(boards, &QListWidget::currentRowChanged, this, guarded([this](int row) { form_.interface.selectBoard(row); }));
    auto* hint = label(usb, "UsbHintLabel", "");
    auto* refreshButton = new QPushButton(usb);
    refreshButton->setObjectName("RefreshUsbButton");
    connect(refreshButton, &QPushButton::clicked, this, [this] { form_.refreshUsb(); });
    ug->addWidget(boards);
    ug->addWidget(hint);
    ug->addWidget(refreshButton);
    auto* timeouts = groupBox(p, "TimeoutGroup", " Timeouts [mSec]: ");
    timeouts->setToolTip("In milli seconds");
    auto* tg = new QGridLayout(timeouts);
    auto* init = lineEdit(timeouts, "TimeoutInit");
    auto* rw = lineEdit(timeouts, "TimeoutReadWrite");
    tg->addWidget(label(timeouts, "TimeoutInitLabel", "Setup &communication:", init), 0, 0);
    tg->addWidget(init, 0, 1);
    tg->addWidget(label(timeouts, "TimeoutReadWriteLabel", "&Read/write:", rw), 1, 0);
    tg->addWidget(rw, 1, 1);
    onText(init);
    onText(rw);
    auto* protocol = checkBox(p, "ProtocolCheck");
    connect(protocol, &QCheckBox::clicked, this, guarded([this](bool on) { form_.interface.setChecked("ProtocolCheck", on); }));
    auto* row = new QHBoxLayout;
    row->addWidget(port);
    row->addWidget(usb);
    v->addWidget(kind);
    v->addLayout(row);
    v->addWidget(timeouts);
    v->addWidget(protocol);
    v->addStretch(1);
}

void OptionsDialog::buildProcessor(QWidget* p) {
    auto* g = new QGridLayout(p);
    auto* makers = new QListWidget(p);
    makers->setObjectName("ManufacturerList");
    connect(makers, &QListWidget::currentRowChanged, this, guarded([this](int row) { form_.chooseManufacturer(row); }));
    auto* cpus = new QListWidget(p);
    cpus->setObjectName("ProcessorList");
    connect(cpus, &QListWidget::currentRowChanged, this, guarded([this](int row) { form_.chooseProcessor(row); }));
    g->addWidget(label(p, "ManufacturerLabel", "&Manufacturer:", makers), 0, 0);
    g->addWidget(makers, 1, 0, 4, 1);
    g->addWidget(label(p, "ProcessorLabel", "&Processor type:", cpus), 0, 1);
    g->addWidget(cpus, 1, 1, 4, 1);
    auto* right = new QVBoxLayout;
    auto* addressing = radios(p, "AddressingGroup", " &addressing mode: ");
    addressing->onClicked(guarded([this](int i) {
        form_.processor.setItems("AddressingGroup", form_.processor.control("AddressingGroup").items, i);
        form_.banking.setContext(BankingContext{form_.hardware.generation(),
                                                form_.hardware.control("P2Group").itemIndex == 1,
                                                form_.processor.dallas(), form_.processor.optionNumber() == 15});
    }));
    auto* configure = new QPushButton(p);
    configure->setObjectName("ConfigureButton");
    connect(configure, &QPushButton::clicked, this, [this] {
        std::uint8_t a = form_.lpcUcfg1(), b = form_.lpcPartConfig();
        if (OpenLpcConfig(form_.processor.optionNumber(), a, b, this, store_)) form_.setLpcBytes(a, b);
    });
    auto* reset = groupBox(p, "ResetTimeoutGroup", " Reset &timeout: ");
    auto* rl = new QHBoxLayout(reset);
    auto* timeout = lineEdit(reset, "ResetTimeout", 4);
    onText(timeout);
    rl->addWidget(timeout);
    rl->addWidget(label(reset, "ResetTimeoutLabel", "max. 25,5 sec."));
    auto* nonMux = checkBox(p, "NonMultiplexedCheck");
    connect(nonMux, &QCheckBox::clicked, this, guarded([this](bool on) { form_.processor.setChecked("NonMultiplexedCheck", on); }));
    auto* ext = groupBox(p, "ExtResetGroup", " External Reset: ");
    auto* el = new QVBoxLayout(ext);
    auto* extCheck = checkBox(ext, "ExtResetCheck");
    connect(extCheck, &QCheckBox::clicked, this, guarded([this](bool on) { form_.processor.setChecked("ExtResetCheck", on); }));
    auto* polarity = radios(ext, "PolarityGroup", " Polarity: ");
    polarity->onClicked(guarded([this](int i) {
        form_.processor.setItems("PolarityGroup", form_.processor.control("PolarityGroup").items, i);
    }));
    el->addWidget(extCheck);
    el->addWidget(polarity);
    auto* fpga = checkBox(p, "FpgaCheck");
    connect(fpga, &QCheckBox::clicked, this, guarded([this](bool on) { form_.processor.setChecked("FpgaCheck", on); }));
    auto* clock = groupBox(p, "InternalClockGroup", " Internal clock: ");
    auto* cl = new QHBoxLayout(clock);
    auto* clocks = new QComboBox(clock);
    clocks->setObjectName("ClockCombo");
    connect(clocks, &QComboBox::activated, this, guarded([this](int i) {
        form_.processor.setItems("ClockCombo", form_.processor.control("ClockCombo").items, i);
    }));
    cl->addWidget(label(clock, "JumperLabel", "(Jumper A1)"));
    cl->addWidget(label(clock, "ClockLabel", "f (MHz):", clocks));
    cl->addWidget(clocks);
    for (QWidget* x : std::initializer_list<QWidget*>{addressing, configure, reset, nonMux, ext, fpga, clock})
        right->addWidget(x);
    right->addStretch(1);
    g->addLayout(right, 0, 2, 5, 1);
    // The height the right column asks for goes to the lists, not to
    // the row of their captions.
    g->setRowStretch(4, 1);
}

void OptionsDialog::buildHardware(QWidget* p) {
    auto* g = new QGridLayout(p);
    auto* type = radios(p, "EmulatorTypeGroup", " &Emulator type: ");
    type->onClicked(guarded([this](int i) { form_.chooseGeneration(i); }));
    auto* firmware = label(p, "FirmwareLabel", "");
    auto* device = label(p, "DeviceLabel", "");
    auto* modes = groupBox(p, "PortModeGroup", " P0/P2 operating mode: ");
    auto* ml = new QHBoxLayout(modes);
    auto* p2 = radios(modes, "P2Group", " P&2: ");
    p2->onClicked(guarded([this](int i) { form_.chooseP2(static_cast<PortMode>(i)); }));
    auto* p0 = radios(modes, "P0Group", " P&0: ");
    p0->onClicked(guarded([this](int i) { form_.chooseP0(static_cast<PortMode>(i)); }));
    auto* hooks = radios(modes, "HooksGroup", " Port mode with: ");
    hooks->onClicked(guarded([this](int i) {
        form_.chooseHooks(i == 1 ? PortHooks::HardwareHooks : PortHooks::Pellunars);
    }));
    ml->addWidget(p2);
    ml->addWidget(p0);
    ml->addWidget(hooks);
    auto* pod = radios(p, "PodGroup", " &POD type: ");
    pod->onClicked(guarded([this](int i) { form_.choosePod(static_cast<PodType>(i)); }));
    auto* cable = radios(p, "CableGroup", "", 3);
    cable->onClicked(guarded([this](int i) { form_.chooseCable(static_cast<CableChoice>(i)); }));
    auto* connector = radios(p, "ConnectorGroup", "");
    connector->onClicked(guarded([this](int i) { form_.chooseConnector(i == 1); }));
    auto* clock = radios(p, "ClockGroup", " CPU &clock: ");
    clock->onClicked(guarded([this](int i) {
        form_.hardware.setItems("ClockGroup", form_.hardware.control("ClockGroup").items, i);
    }));
    auto* memory = radios(p, "ProgramMemoryGroup", " Program memory: ", 3);
    memory->onClicked(guarded([this](int i) {
        form_.hardware.setItems("ProgramMemoryGroup", form_.hardware.control("ProgramMemoryGroup").items, i);
    }));
    auto* bank = radios(p, "RegBankGroup", " Registerbank Read/WritePxRegBank: ", 4);
    bank->setToolTip("Registerbank for Pellunar Intrinsic Functionen Read/WritePxRegBank");
    bank->onClicked(guarded([this](int i) {
        form_.hardware.setItems("RegBankGroup", form_.hardware.control("RegBankGroup").items, i);
    }));
    g->addWidget(type, 0, 0, 2, 1);
    g->addWidget(firmware, 0, 1);
    g->addWidget(device, 1, 1);
    g->addWidget(modes, 2, 0, 1, 2);
    g->addWidget(pod, 3, 0);
    auto* podSide = new QVBoxLayout;
    podSide->addWidget(cable);
    podSide->addWidget(connector);
    g->addLayout(podSide, 3, 1);
    g->addWidget(clock, 4, 0);
    g->addWidget(memory, 4, 1);
    g->addWidget(bank, 5, 0, 1, 2);
    g->setRowStretch(6, 1);
}

void OptionsDialog::buildBanking(QWidget* p) {
    auto* g = new QGridLayout(p);
    auto* emulation = groupBox(p, "EmulationMemoryGroup", " &Emulation memory: ");
    auto* el = new QHBoxLayout(emulation);
    auto* program = groupBox(emulation, "ProgramExtDataGroup", " Program/ExtData: ");
    auto* pl = new QVBoxLayout(program);
    for (std::size_t i = 0; i < kMemoryButtons.size(); ++i) {
        auto* r = radio(program, kMemoryButtons[i]);
        pl->addWidget(r);
        connect(r, &QRadioButton::clicked, this,
                guarded([this, i](bool) { form_.banking.chooseMemory(static_cast<EmulationMemory>(i)); }));
    }
    auto* sizes = new QWidget(emulation);
    auto* sl = new QVBoxLayout(sizes);
    for (const char* n : {"Size128", "Size512"}) {
        auto* r = radio(sizes, n);
        sl->addWidget(r);
        const bool m512 = std::string(n) == "Size512";
        connect(r, &QRadioButton::clicked, this, guarded([this, m512](bool) { form_.banking.chooseM(m512); }));
    }
    sl->addStretch(1);
    el->addWidget(program);
    el->addWidget(sizes);
    auto* size = radios(p, "BankSizeGroup", " Bank si&ze: ");
    size->onClicked(guarded([this](int i) { form_.banking.chooseSize(i); }));
    auto* resetGroup = groupBox(p, "ResetBankGroup", " &Reset bank number: ");
    auto* rl = new QHBoxLayout(resetGroup);
    auto* resetBank = new QComboBox(resetGroup);
    resetBank->setObjectName("ResetBank");
    connect(resetBank, &QComboBox::activated, this, guarded([this](int i) {
        form_.banking.setItems("ResetBank", form_.banking.control("ResetBank").items, i);
    }));
    rl->addWidget(resetBank);
    auto* area = groupBox(p, "BankedAreaGroup", " Banked area: ");
    auto* al = new QGridLayout(area);
    auto* start = lineEdit(area, "BankStart", 4);
    auto* end = lineEdit(area, "BankEnd", 4);
    onText(start);
    onText(end);
    al->addWidget(label(area, "BankStartLabel", "Start:", start), 0, 0);
    al->addWidget(start, 0, 1);
    al->addWidget(label(area, "BankEndLabel", "End:", end), 1, 0);
    al->addWidget(end, 1, 1);
    auto* code = groupBox(p, "CodeBankingGroup", " Code Banking: ");
    auto* cl = new QGridLayout(code);
    auto* codeCheck = checkBox(code, "CodeBanking");
    connect(codeCheck, &QCheckBox::clicked, this, guarded([this](bool on) { form_.banking.setCodeBanking(on); }));
    auto* codeKinds = new QWidget(code);
    auto* ckl = new QVBoxLayout(codeKinds);
    auto* classic = radio(codeKinds, "CodeClassic");
    classic->setText("Classic 8051");
    auto* dallas = radio(codeKinds, "CodeDallas");
    dallas->setText("Dallas 80C390/400");
    ckl->addWidget(classic);
    ckl->addWidget(dallas);
    connect(classic, &QRadioButton::clicked, this, guarded([this](bool) { form_.banking.chooseCodeDallas(false); }));
    connect(dallas, &QRadioButton::clicked, this, guarded([this](bool) { form_.banking.chooseCodeDallas(true); }));
    auto* extern_ = lineEdit(code, "ExternBankNumber");
    // Checked at every change of its text, but only marked: the box
    // comes when the field is left.
    connect(extern_, &QLineEdit::textEdited, this, [this, extern_](const QString& text) {
        if (binding_) return;
        binding_ = true;
        form_.editText("ExternBankNumber", text.toStdString(), true);
        binding_ = false;
        refresh();
    });
    cl->addWidget(codeCheck, 0, 0, 1, 2);
    cl->addWidget(codeKinds, 1, 0, 1, 2);
    cl->addWidget(label(code, "ExternBankLabel", "Extern bank number:", extern_), 2, 0);
    cl->addWidget(extern_, 2, 1);
    auto* variable = groupBox(p, "VariableBankingGroup", " Variable Banking: ");
    auto* vl = new QVBoxLayout(variable);
    auto* varCheck = checkBox(variable, "VariableBanking");
    connect(varCheck, &QCheckBox::clicked, this, guarded([this](bool on) { form_.banking.setVariableBanking(on); }));
    auto* varKinds = new QWidget(variable);
    auto* vkl = new QVBoxLayout(varKinds);
    auto* vClassic = radio(varKinds, "VariableClassic");
    vClassic->setText("Classic 8051");
    auto* vDallas = radio(varKinds, "VariableDallas");
    vDallas->setText("Dallas 80C390/400");
    vkl->addWidget(vClassic);
    vkl->addWidget(vDallas);
    vl->addWidget(varCheck);
    vl->addWidget(varKinds);
    auto* switching = groupBox(p, "BankSwitchingGroup", " Bank switching: ");
    auto* swl = new QHBoxLayout(switching);
    auto* via = radios(switching, "SwitchViaGroup", " Bank &switching via: ");
    via->onClicked(guarded([this](int i) { form_.banking.chooseSwitchVia(i); }));
    auto* ports = groupBox(switching, "PortAddressGroup", " &Port addresses: ");
    auto* pgl = new QGridLayout(ports);
    auto* sfr = lineEdit(ports, "SfrPort");
    auto* xdata = lineEdit(ports, "XdataPort", 4);
    onText(sfr);
    onText(xdata);
    pgl->addWidget(label(ports, "SfrPortLabel", "SFR/Idata:", sfr), 0, 0);
    pgl->addWidget(sfr, 0, 1);
    pgl->addWidget(label(ports, "XdataPortLabel", "Xdata:", xdata), 1, 0);
    pgl->addWidget(xdata, 1, 1);
    auto* bits = groupBox(switching, "BitPositionGroup", " &Bit positions (0..7): ");
    auto* bl = new QGridLayout(bits);
    const char* bitLabels[] = {"A14:", "A15:", "A16:", "A17:", "A18:"};
    for (std::size_t i = 0; i < kBitEdits.size(); ++i) {
        auto* e = lineEdit(bits, kBitEdits[i], 1);
        onText(e);
        const std::string labelName = std::string("Label") + (kBitEdits[i] + 4);
        bl->addWidget(label(bits, labelName.c_str(), bitLabels[i], e), 0, static_cast<int>(2 * i));
        bl->addWidget(e, 0, static_cast<int>(2 * i + 1));
    }
    swl->addWidget(via);
    swl->addWidget(ports);
    swl->addWidget(bits);
    g->addWidget(emulation, 0, 0);
    g->addWidget(size, 0, 1);
    g->addWidget(resetGroup, 1, 0);
    g->addWidget(area, 1, 1);
    g->addWidget(code, 2, 0);
    g->addWidget(variable, 2, 1);
    g->addWidget(switching, 3, 0, 1, 2);
    g->setRowStretch(4, 1);
}

void OptionsDialog::buildWatchdog(QWidget* p) {
    auto* v = new QVBoxLayout(p);
    auto* support = checkBox(p, "WatchdogCheck");
    connect(support, &QCheckBox::clicked, this, guarded([this](bool on) { form_.setWatchdogSupport(on); }));
    auto* commands = groupBox(p, "CommandsGroup", " Commands: ");
    auto* cl = new QGridLayout(commands);
    const char* lists[] = {"AfterStopList", "WatchdogList", "BeforeStartList"};
    const char* labels[] = {"AfterStopLabel", "WatchdogLabel", "BeforeStartLabel"};
    for (int i = 0; i < 3; ++i) {
        auto* list = new QListWidget(commands);
        list->setObjectName(lists[i]);
        cl->addWidget(label(commands, labels[i], "", list), 0, i);
        cl->addWidget(list, 1, i);
    }
    v->addWidget(support);
    v->addWidget(commands, 1);
}

void OptionsDialog::build() {
    pages_ = new QTabWidget(this);
    pages_->setObjectName("PageControl");
    std::array<QWidget*, kOptionsPageCount> w{};
    for (int i = 0; i < kOptionsPageCount; ++i) {
        w[static_cast<std::size_t>(i)] = new QWidget(pages_);
        w[static_cast<std::size_t>(i)]->setObjectName(kOptionsPageNames[static_cast<std::size_t>(i)]);
        pages_->addTab(w[static_cast<std::size_t>(i)], kOptionsPageCaptions[static_cast<std::size_t>(i)]);
    }

    buildPreferences(w[0]);
    buildInterface(w[1]);
    buildProcessor(w[2]);
    buildHardware(w[3]);
    buildBanking(w[4]);
    buildWatchdog(w[5]);

    // ---- panel
    auto* panel = new QHBoxLayout;
    panel->addWidget(label(this, "VersionCaption", ""));
    panel->addWidget(label(this, "VersionLabel", ""));
    panel->addStretch(1);
    auto* loadButton = new QPushButton(this);
    loadButton->setObjectName("LoadButton");
    ok_ = new QPushButton(this);
    ok_->setObjectName("OkButton");
    ok_->setDefault(true);
    cancel_ = new QPushButton(this);
    cancel_->setObjectName("CancelButton");
    auto* helpButton = new QPushButton(this);
    helpButton->setObjectName("HelpButton");
    connect(ok_, &QPushButton::clicked, this, [this] { okClicked(); });
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
    connect(helpButton, &QPushButton::clicked, this, [this] { help(); });
    for (auto* b : {loadButton, ok_, cancel_, helpButton}) panel->addWidget(b);
    auto* top = new QVBoxLayout(this);
    top->addWidget(pages_, 1);
    top->addLayout(panel);

    // A page change waits for valid input in the control being left.
    pages_->tabBar()->installEventFilter(this);
    connect(pages_, &QTabWidget::currentChanged, this, [this](int i) {
        if (!binding_) form_.setActivePage(i);
    });
}

std::string OptionsDialog::textOf(QWidget* w) const {
    if (auto* e = qobject_cast<QLineEdit*>(w)) return e->text().toStdString();
    if (auto* c = qobject_cast<QComboBox*>(w)) return c->currentText().toStdString();
    return {};
}

bool OptionsDialog::checkLeaving(QWidget* control) {
    const std::string name = control->objectName().toStdString();
    if (name == "BootFileName") return true;
    binding_ = true;
    form_.editText(name, textOf(control));
    binding_ = false;
    const auto error = form_.checkControl(name);
    if (!error) return true;
    checking_ = true;
    ErrorBox(*error, kErrorIcon);
    control->setFocus(Qt::OtherFocusReason);
    checking_ = false;
    return false;
}

bool OptionsDialog::eventFilter(QObject* watched, QEvent* event) {
    if (watched == pages_->tabBar() &&
        (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::KeyPress)) {
        QWidget* focus = QApplication::focusWidget();
        if (focus && isAncestorOf(focus)) {
            if (auto* combo = qobject_cast<QComboBox*>(focus->parentWidget())) focus = combo;
            if (isCheckedEdit(focus->objectName()) && !checkLeaving(focus)) return true;
        }
    }
    return DialogBase::eventFilter(watched, event);
}

void OptionsDialog::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F1) {
        help();
        return;
    }
    DialogBase::keyPressEvent(event);
}

void OptionsDialog::help() {
    if (auto* viewer = platform::currentUi().help) viewer->show(1, form_.pageHelpContext());
}

void OptionsDialog::refresh() {
    if (binding_) return;
    binding_ = true;
    bindControls(*this, form_);
    for (int i = 0; i < kOptionsPageCount; ++i) {
        QWidget* p = pages_->widget(i);
        const FormModel& m = pageModel(form_, i);
        bindControls(*p, m);
        bindRadioGroups(*p, m);
        bindListTexts(*p, m);
        // Items of a radio group that a rule enables, disables or hides.
        for (auto* group : p->findChildren<RadioGroup*>()) {
            for (int b = 0; QRadioButton* button = group->button(b); ++b) {
                const std::string key = group->objectName().toStdString() + "#" + std::to_string(b);
                if (!m.controls().count(key)) continue;
                button->setEnabled(m.control(key).enabled);
                button->setVisible(m.control(key).visible);
            }
        }
        for (auto* e : p->findChildren<QLineEdit*>()) {
            if (qobject_cast<QComboBox*>(e->parentWidget())) continue;
            const std::string name = e->objectName().toStdString();
            if (!m.controls().count(name)) continue;
            const QString text = QString::fromStdString(m.control(name).text);
            if (e->text() != text) e->setText(text);
            // The banked area of fixed-size banks is shown, not edited.
            if (i == static_cast<int>(OptionsPage::Banking)) e->setReadOnly(form_.banking.readOnly(name));
        }
        for (auto* c : p->findChildren<QComboBox*>()) {
            if (!c->isEditable()) continue;
            const std::string name = c->objectName().toStdString();
            if (!m.controls().count(name)) continue;
            const QString text = QString::fromStdString(m.control(name).text);
            if (c->currentText() != text) c->setEditText(text);
        }
        // A label follows its edit.
        for (auto* l : p->findChildren<QLabel*>())
            if (l->buddy() && !m.controls().count(l->objectName().toStdString())) l->setEnabled(l->buddy()->isEnabled());
    }
    // The port group's caption follows the link kind, empty for USB.
    if (auto* g = findChild<QGroupBox*>("PortGroup"))
        g->setTitle(QString::fromStdString(form_.interface.control("PortGroup").text));
    // The extern bank number is marked while it is not valid, and "Ok" waits.
    const bool externValid = form_.externBankValid() || !form_.banking.control("ExternBankNumber").enabled;
    if (auto* e = findChild<QLineEdit*>("ExternBankNumber"))
        e->setStyleSheet(externValid ? QString() : QStringLiteral("QLineEdit { border: 2px solid red; }"));
    ok_->setEnabled(externValid);
    binding_ = false;
}

void OptionsDialog::okClicked() {
    // The control that has the focus first, then every field.
    if (QWidget* focus = QApplication::focusWidget(); focus && isAncestorOf(focus)) {
        if (auto* combo = qobject_cast<QComboBox*>(focus->parentWidget())) focus = combo;
        if (isCheckedEdit(focus->objectName()) && !checkLeaving(focus)) return;
    }
    if (const auto error = form_.validateAll()) {
        checking_ = true;
        pages_->setCurrentIndex(static_cast<int>(error->page));
        ErrorBox(error->message, kErrorIcon);
        if (auto* w = findChild<QWidget*>(QString::fromStdString(error->control))) w->setFocus(Qt::OtherFocusReason);
        checking_ = false;
        return;
    }
    const QPoint position = frameGeometry().topLeft();
    form_.savePosition({position.x(), position.y()});
    store_.writeInteger(kDriverKey, "FormOptions", "Active", pages_->currentIndex());
    for (const char* n : {"BootFileName", "BootAddress"})
        if (auto* combo = findChild<HistoryCombo*>(n); combo && !combo->currentText().isEmpty()) combo->AddHistory();
    OptionsApplier applier(form_, [this](const std::string& dir) -> std::optional<std::string> {
        platform::FileRequest request;
        request.title = "Options";
        request.filter = "Option files (*.bopt)|*.bopt";
        request.initialDir = dir;
        request.mustExist = false;
        auto choice = platform::currentUi().files->chooseFile(request);
        if (!choice) return std::nullopt;
        return choice->path;
    });
    disconnect(focusConnection_);
    applied_ = applier.apply();
    accept();
}

bool RunOptionsDialog(IOptionsTarget& target, platform::SettingsStore& store, QWidget* owner) {
    OptionsFormModel model(target, store);
    model.fill();
    OptionsDialog dialog(model, store, owner);
    dialog.setWindowModality(Qt::ApplicationModal);
    return dialog.exec() == QDialog::Accepted;
}

}  // namespace tarvex::ui
