#include "ui/forms/options_forms.hpp"

namespace tarvex::ui::forms {

namespace {
// The room every page has under the tabs.
constexpr int kPageWidth = 568, kPageHeight = 412;
}  // namespace

const Form& optionsForm() {
    static const Form form{
        "TFormOptions",
        "Options",
        596,
        492,
        false,
        {
            Control{Kind::TabControl, "PageControl", "", 8, 8, 580, 446},
            Control{Kind::Label, "VersionCaption", "", 8, 468, 112, 16},
            Control{Kind::Label, "VersionLabel", "", 122, 468, 60, 16},
            Control{Kind::Button, "LoadButton", "", 260, 462, 76, 25},
            Control{Kind::Button, "OkButton", "", 344, 462, 76, 25, DefaultButton},
            Control{Kind::Button, "CancelButton", "", 428, 462, 76, 25, CancelButton},
            Control{Kind::Button, "HelpButton", "", 512, 462, 76, 25},
        },
    };
    return form;
}

const Form& optionsPreferencesPage() {
    static const Form form{
        "PagePreferences",
        "Preferences",
        kPageWidth,
        kPageHeight,
        false,
        {
            withTip(Control{Kind::GroupBox, "SaveGroup", " Load/save options: ", 8, 8, 272, 72},
                    "Break/trace settings and mapping are loaded and saved with the options"),
            Control{Kind::CheckBox, "BreakTraceCheck", "", 12, 20, 250, 20, NoFlags, "SaveGroup"},
            Control{Kind::CheckBox, "MapCheck", "", 12, 44, 250, 20, NoFlags, "SaveGroup"},
            withTip(Control{Kind::GroupBox, "InterruptGroup", " Disable interrupts on: ", 288, 8, 272, 72},
                    "Clear EA bit"),
            Control{Kind::CheckBox, "SingleStepCheck", "", 12, 20, 250, 20, NoFlags, "InterruptGroup"},
            Control{Kind::GroupBox, "BootGroup", " Load boot loader: ", 8, 88, 552, 112},
            Control{Kind::CheckBox, "BootLoaderCheck", "", 12, 20, 300, 20, NoFlags, "BootGroup"},
            Control{Kind::Label, "BootFileNameLabel", "", 12, 52, 96, 16, NoFlags, "BootGroup", 1, "BootFileName"},
            withHistory(Control{Kind::ComboEdit, "BootFileName", "", 110, 49, 340, 21, HistoryOffers, "BootGroup"},
                        "FormOptionsBootLoaderName"),
            Control{Kind::Button, "BrowseButton", "", 458, 48, 84, 23, NoFlags, "BootGroup"},
            Control{Kind::Label, "BootAddressLabel", "", 12, 82, 96, 16, NoFlags, "BootGroup", 1, "BootAddress"},
            withHistory(Control{Kind::ComboEdit, "BootAddress", "", 110, 79, 120, 21, HistoryOffers, "BootGroup"},
                        "FormOptionsBootLoaderAddress"),
        },
    };
    return form;
}

const Form& optionsInterfacePage() {
    static const Form form{
        "PageInterface",
        "Interface",
        kPageWidth,
        kPageHeight,
        false,
        {
            Control{Kind::RadioGroup, "LinkKindGroup", "", 8, 4, 552, 42, NoFlags, "", 3},
            Control{Kind::GroupBox, "PortGroup", "", 8, 54, 262, 236},
            Control{Kind::Label, "RestartLabel", "", 12, 22, 238, 16, NoFlags, "PortGroup"},
            Control{Kind::Label, "PortNameLabel", "", 12, 50, 74, 16, NoFlags, "PortGroup", 1, "PortName"},
            Control{Kind::DropDownList, "PortName", "", 90, 47, 160, 21, NoFlags, "PortGroup"},
            Control{Kind::Label, "PortAddressLabel", "", 12, 78, 74, 16, NoFlags, "PortGroup", 1, "PortAddress"},
            Control{Kind::ComboEdit, "PortAddress", "", 90, 75, 160, 21, NoFlags, "PortGroup"},
            Control{Kind::RadioGroup, "BaudRateGroup", " &BaudRate: ", 12, 106, 238, 72, NoFlags, "PortGroup", 2},
            Control{Kind::CheckBox, "ExclusiveCheck", "", 12, 190, 244, 20, NoFlags, "PortGroup"},
            Control{Kind::GroupBox, "UsbGroup", "", 278, 54, 282, 236},
            Control{Kind::ListBox, "UsbList", "", 12, 22, 258, 144, NoFlags, "UsbGroup"},
            Control{Kind::Label, "UsbHintLabel", "", 12, 174, 258, 16, NoFlags, "UsbGroup"},
            Control{Kind::Button, "RefreshUsbButton", "", 12, 198, 130, 25, NoFlags, "UsbGroup"},
            withTip(Control{Kind::GroupBox, "TimeoutGroup", " Timeouts [mSec]: ", 8, 298, 552, 78}, "In milli seconds"),
            Control{Kind::Label, "TimeoutInitLabel", "Setup &communication:", 12, 24, 140, 16, NoFlags, "TimeoutGroup",
                    1, "TimeoutInit"},
            Control{Kind::Edit, "TimeoutInit", "", 156, 21, 120, 21, NoFlags, "TimeoutGroup"},
            Control{Kind::Label, "TimeoutReadWriteLabel", "&Read/write:", 12, 50, 140, 16, NoFlags, "TimeoutGroup", 1,
                    "TimeoutReadWrite"},
            Control{Kind::Edit, "TimeoutReadWrite", "", 156, 47, 120, 21, NoFlags, "TimeoutGroup"},
            Control{Kind::CheckBox, "ProtocolCheck", "", 8, 384, 200, 20},
        },
    };
    return form;
}

const Form& optionsProcessorPage() {
    static const Form form{
        "PageProcessor",
        "Processor",
        kPageWidth,
        kPageHeight,
        false,
        {
            Control{Kind::Label, "ManufacturerLabel", "&Manufacturer:", 8, 8, 170, 16, NoFlags, "", 1,
                    "ManufacturerList"},
            Control{Kind::ListBox, "ManufacturerList", "", 8, 26, 170, 378},
            Control{Kind::Label, "ProcessorLabel", "&Processor type:", 186, 8, 170, 16, NoFlags, "", 1,
                    "ProcessorList"},
            Control{Kind::ListBox, "ProcessorList", "", 186, 26, 170, 378},
            Control{Kind::RadioGroup, "AddressingGroup", " &addressing mode: ", 364, 4, 196, 78},
            Control{Kind::Button, "ConfigureButton", "", 364, 88, 90, 25},
            Control{Kind::GroupBox, "ResetTimeoutGroup", " Reset &timeout: ", 364, 118, 196, 50},
            withLimit(Control{Kind::Edit, "ResetTimeout", "", 10, 20, 60, 21, NoFlags, "ResetTimeoutGroup"}, 4),
            Control{Kind::Label, "ResetTimeoutLabel", "", 78, 23, 110, 16, NoFlags, "ResetTimeoutGroup"},
            Control{Kind::CheckBox, "NonMultiplexedCheck", "", 364, 174, 196, 20},
            Control{Kind::GroupBox, "ExtResetGroup", " External Reset: ", 364, 198, 196, 110},
            Control{Kind::CheckBox, "ExtResetCheck", "", 10, 18, 180, 20, NoFlags, "ExtResetGroup"},
            Control{Kind::RadioGroup, "PolarityGroup", " Polarity: ", 4, 42, 188, 60, NoFlags, "ExtResetGroup"},
            Control{Kind::CheckBox, "FpgaCheck", "", 364, 314, 196, 20},
            Control{Kind::GroupBox, "InternalClockGroup", " Internal clock: ", 364, 338, 196, 70},
            Control{Kind::Label, "JumperLabel", "", 10, 20, 176, 16, NoFlags, "InternalClockGroup"},
            Control{Kind::Label, "ClockLabel", "", 10, 43, 60, 16, NoFlags, "InternalClockGroup", 1, "ClockCombo"},
            Control{Kind::DropDownList, "ClockCombo", "", 74, 40, 112, 21, NoFlags, "InternalClockGroup"},
        },
    };
    return form;
}

const Form& optionsHardwarePage() {
    static const Form form{
        "PageHardware",
        "Hardware",
        kPageWidth,
        kPageHeight,
        false,
        {
            Control{Kind::RadioGroup, "EmulatorTypeGroup", " &Emulator type: ", 8, 4, 272, 76},
            Control{Kind::Label, "FirmwareLabel", "", 290, 16, 270, 16},
            Control{Kind::Label, "DeviceLabel", "", 290, 44, 270, 16},
            Control{Kind::GroupBox, "PortModeGroup", " P0/P2 operating mode: ", 8, 84, 552, 98},
            Control{Kind::RadioGroup, "P2Group", " P&2: ", 8, 18, 172, 72, NoFlags, "PortModeGroup"},
            Control{Kind::RadioGroup, "P0Group", " P&0: ", 188, 18, 172, 72, NoFlags, "PortModeGroup"},
            Control{Kind::RadioGroup, "HooksGroup", " Port mode with: ", 368, 18, 176, 72, NoFlags, "PortModeGroup"},
            Control{Kind::RadioGroup, "PodGroup", " &POD type: ", 8, 188, 272, 112},
            Control{Kind::RadioGroup, "CableGroup", "", 288, 188, 272, 46, NoFlags, "", 3},
            Control{Kind::RadioGroup, "ConnectorGroup", "", 288, 240, 272, 60},
            Control{Kind::RadioGroup, "ClockGroup", " CPU &clock: ", 8, 306, 272, 58},
            Control{Kind::RadioGroup, "ProgramMemoryGroup", " Program memory: ", 288, 306, 272, 58, NoFlags, "", 3},
            withTip(Control{Kind::RadioGroup, "RegBankGroup", " Registerbank Read/WritePxRegBank: ", 8, 368, 552, 40,
                            NoFlags, "", 4},
                    "Registerbank for Pellunar Intrinsic Functionen Read/WritePxRegBank"),
        },
    };
    return form;
}

const Form& optionsBankingPage() {
    static const Form form{
        "PageBanking",
        "Banking",
        kPageWidth,
        kPageHeight,
        false,
        {
            Control{Kind::GroupBox, "EmulationMemoryGroup", " &Emulation memory: ", 8, 4, 272, 152},
            Control{Kind::GroupBox, "ProgramExtDataGroup", " Program/ExtData: ", 8, 16, 176, 128, NoFlags,
                    "EmulationMemoryGroup"},
            Control{Kind::RadioButton, "Memory64_64", "", 10, 18, 156, 20, NoFlags, "ProgramExtDataGroup"},
            Control{Kind::RadioButton, "Memory128_0", "", 10, 39, 156, 20, NoFlags, "ProgramExtDataGroup"},
            Control{Kind::RadioButton, "Memory128_64", "", 10, 60, 156, 20, NoFlags, "ProgramExtDataGroup"},
            Control{Kind::RadioButton, "Memory256_64", "", 10, 81, 156, 20, NoFlags, "ProgramExtDataGroup"},
            Control{Kind::RadioButton, "Memory512_0", "", 10, 102, 156, 20, NoFlags, "ProgramExtDataGroup"},
            Control{Kind::RadioButton, "Size128", "", 194, 30, 70, 20, NoFlags, "EmulationMemoryGroup"},
            Control{Kind::RadioButton, "Size512", "", 194, 54, 70, 20, NoFlags, "EmulationMemoryGroup"},
            Control{Kind::RadioGroup, "BankSizeGroup", " Bank si&ze: ", 288, 4, 114, 152},
            Control{Kind::GroupBox, "ResetBankGroup", " &Reset bank number: ", 410, 4, 150, 52},
            Control{Kind::DropDownList, "ResetBank", "", 10, 20, 130, 21, NoFlags, "ResetBankGroup"},
            Control{Kind::GroupBox, "BankedAreaGroup", " Banked area: ", 410, 62, 150, 94},
            Control{Kind::Label, "BankStartLabel", "Start:", 10, 26, 40, 16, NoFlags, "BankedAreaGroup", 1,
                    "BankStart"},
            withLimit(Control{Kind::Edit, "BankStart", "", 54, 23, 70, 21, NoFlags, "BankedAreaGroup"}, 4),
            Control{Kind::Label, "BankEndLabel", "End:", 10, 56, 40, 16, NoFlags, "BankedAreaGroup", 1, "BankEnd"},
            withLimit(Control{Kind::Edit, "BankEnd", "", 54, 53, 70, 21, NoFlags, "BankedAreaGroup"}, 4),
            Control{Kind::GroupBox, "CodeBankingGroup", " Code Banking: ", 8, 162, 272, 112},
            Control{Kind::CheckBox, "CodeBanking", "", 10, 18, 200, 20, NoFlags, "CodeBankingGroup"},
            Control{Kind::RadioButton, "CodeClassic", "Classic 8051", 26, 40, 200, 20, NoFlags, "CodeBankingGroup"},
            Control{Kind::RadioButton, "CodeDallas", "Dallas 80C390/400", 26, 62, 200, 20, NoFlags,
                    "CodeBankingGroup"},
            Control{Kind::Label, "ExternBankLabel", "Extern bank number:", 10, 88, 130, 16, NoFlags,
                    "CodeBankingGroup", 1, "ExternBankNumber"},
            Control{Kind::Edit, "ExternBankNumber", "", 144, 85, 60, 21, NoFlags, "CodeBankingGroup"},
            Control{Kind::GroupBox, "VariableBankingGroup", " Variable Banking: ", 288, 162, 272, 112},
            Control{Kind::CheckBox, "VariableBanking", "", 10, 18, 200, 20, NoFlags, "VariableBankingGroup"},
            Control{Kind::RadioButton, "VariableClassic", "Classic 8051", 26, 40, 200, 20, NoFlags,
                    "VariableBankingGroup"},
            Control{Kind::RadioButton, "VariableDallas", "Dallas 80C390/400", 26, 62, 200, 20, NoFlags,
                    "VariableBankingGroup"},
            Control{Kind::GroupBox, "BankSwitchingGroup", " Bank switching: ", 8, 280, 552, 126},
            Control{Kind::RadioGroup, "SwitchViaGroup", " Bank &switching via: ", 8, 18, 150, 98, NoFlags,
                    "BankSwitchingGroup"},
            Control{Kind::GroupBox, "PortAddressGroup", " &Port addresses: ", 166, 18, 152, 98, NoFlags,
                    "BankSwitchingGroup"},
            Control{Kind::Label, "SfrPortLabel", "SFR/Idata:", 8, 26, 64, 16, NoFlags, "PortAddressGroup", 1,
                    "SfrPort"},
            Control{Kind::Edit, "SfrPort", "", 74, 23, 68, 21, NoFlags, "PortAddressGroup"},
            Control{Kind::Label, "XdataPortLabel", "Xdata:", 8, 58, 64, 16, NoFlags, "PortAddressGroup", 1,
                    "XdataPort"},
            withLimit(Control{Kind::Edit, "XdataPort", "", 74, 55, 68, 21, NoFlags, "PortAddressGroup"}, 4),
            Control{Kind::GroupBox, "BitPositionGroup", " &Bit positions (0..7): ", 326, 18, 218, 98, NoFlags,
                    "BankSwitchingGroup"},
            Control{Kind::Label, "LabelA14", "A14:", 8, 30, 30, 16, NoFlags, "BitPositionGroup", 1, "EditA14"},
            withLimit(Control{Kind::Edit, "EditA14", "", 40, 27, 26, 21, NoFlags, "BitPositionGroup"}, 1),
            Control{Kind::Label, "LabelA15", "A15:", 76, 30, 30, 16, NoFlags, "BitPositionGroup", 1, "EditA15"},
            withLimit(Control{Kind::Edit, "EditA15", "", 108, 27, 26, 21, NoFlags, "BitPositionGroup"}, 1),
            Control{Kind::Label, "LabelA16", "A16:", 144, 30, 30, 16, NoFlags, "BitPositionGroup", 1, "EditA16"},
            withLimit(Control{Kind::Edit, "EditA16", "", 176, 27, 26, 21, NoFlags, "BitPositionGroup"}, 1),
            Control{Kind::Label, "LabelA17", "A17:", 8, 62, 30, 16, NoFlags, "BitPositionGroup", 1, "EditA17"},
            withLimit(Control{Kind::Edit, "EditA17", "", 40, 59, 26, 21, NoFlags, "BitPositionGroup"}, 1),
            Control{Kind::Label, "LabelA18", "A18:", 76, 62, 30, 16, NoFlags, "BitPositionGroup", 1, "EditA18"},
            withLimit(Control{Kind::Edit, "EditA18", "", 108, 59, 26, 21, NoFlags, "BitPositionGroup"}, 1),
        },
    };
    return form;
}

const Form& optionsWatchdogPage() {
    static const Form form{
        "PageWatchdog",
        "Watchdog",
        kPageWidth,
        kPageHeight,
        false,
        {
            Control{Kind::CheckBox, "WatchdogCheck", "", 8, 8, 220, 20},
            Control{Kind::GroupBox, "CommandsGroup", " Commands: ", 8, 34, 552, 372},
            Control{Kind::Label, "AfterStopLabel", "", 10, 22, 172, 16, NoFlags, "CommandsGroup", 1, "AfterStopList"},
            Control{Kind::ListBox, "AfterStopList", "", 10, 40, 172, 322, FixedPitch, "CommandsGroup"},
            Control{Kind::Label, "WatchdogLabel", "", 190, 22, 172, 16, NoFlags, "CommandsGroup", 1, "WatchdogList"},
            Control{Kind::ListBox, "WatchdogList", "", 190, 40, 172, 322, FixedPitch, "CommandsGroup"},
            Control{Kind::Label, "BeforeStartLabel", "", 370, 22, 172, 16, NoFlags, "CommandsGroup", 1,
                    "BeforeStartList"},
            Control{Kind::ListBox, "BeforeStartList", "", 370, 40, 172, 322, FixedPitch, "CommandsGroup"},
        },
    };
    return form;
}

const std::array<const Form*, 6>& optionsPages() {
    static const std::array<const Form*, 6> pages = {&optionsPreferencesPage(), &optionsInterfacePage(),
                                                     &optionsProcessorPage(),   &optionsHardwarePage(),
                                                     &optionsBankingPage(),     &optionsWatchdogPage()};
    return pages;
}

const Form& lpcConfigForm() {
    static const Form form{
        "TFormLPCConfig",
        "",
        440,
        444,
        false,
        {
            Control{Kind::TabControl, "PageControl", "", 8, 8, 424, 396},
            Control{Kind::Button, "OkButton", "", 272, 412, 76, 25, DefaultButton},
            Control{Kind::Button, "CancelButton", "", 356, 412, 76, 25, CancelButton},
        },
    };
    return form;
}

const Form& lpcUcfg1Page() {
    static const Form form{
        "PageUcfg1",
        "",
        360,
        362,
        false,
        {
            Control{Kind::RadioGroup, "FrequencyGroup", "", 8, 4, 344, 112},
            Control{Kind::RadioGroup, "ClockRateGroup", "", 8, 120, 344, 58},
            Control{Kind::RadioGroup, "BrownOutGroup", "", 8, 182, 344, 58},
            Control{Kind::RadioGroup, "PortResetGroup", "", 8, 244, 344, 58},
            Control{Kind::CheckBox, "ResetPinCheck", "", 8, 310, 344, 20},
            Control{Kind::CheckBox, "WatchDogCheck", "", 8, 334, 344, 20},
        },
    };
    return form;
}

const Form& lpcPartConfigPage() {
    static const Form form{
        "PagePartConfig",
        "",
        360,
        362,
        false,
        {
            Control{Kind::RadioGroup, "MemoryGroup", "", 8, 4, 344, 100},
            Control{Kind::CheckBox, "ComparatorsCheck", "", 8, 112, 344, 20},
            Control{Kind::CheckBox, "DacCheck", "", 8, 136, 344, 20},
            Control{Kind::CheckBox, "AdcCheck", "", 8, 160, 344, 20},
        },
    };
    return form;
}

}  // namespace tarvex::ui::forms
