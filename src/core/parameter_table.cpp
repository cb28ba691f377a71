#include "core/parameter_table.h"

namespace vorel {
namespace {

// clang-format off
constexpr BilingualText kProtocolItems[] = {
    {"ModBus", "ModBus"},
};
constexpr BilingualText kLanguageItems[] = {
    {"Chinese", "中文"},
    {"English", "英文"},
};
constexpr BilingualText kRetFromTestItems[] = {
    {"Off", "关闭"},
    {"Manual", "手动"},
    {"Auto", "自动"},
};
constexpr BilingualText kFuelValveItems[] = {
    {"Fuel", "供油阀"},
    {"Stop", "停机阀"},
};
constexpr BilingualText kCurrentActionItems[] = {
    {"Cooling", "卸载冷却运行"},
    {"Shutdown", "卸载停机"},
    {"Other", "其它"},
};
constexpr BilingualText kUnbalanceActionItems[] = {
    {"Mask", "屏蔽"},
    {"Warning", "报警"},
    {"Electrical log", "历史记录"},
    {"Unload", "卸载"},
    {"Cooling", "卸载冷却运行"},
    {"Shutdown", "卸载停机"},
    {"Other", "其它"},
};
constexpr BilingualText kAtsTypeItems[] = {
    {"II", "II"},
    {"IOI", "IOI"},
    {"I ", "I "},
};
constexpr BilingualText kAtsLogicItems[] = {
    {"High-Close", "断开-合闸"},
    {"Low-Close", "闭合-合闸"},
};

constexpr ParameterRow kRows[] = {
    {.name = "medPSWUnlock", .kind = EditorKind::MaskedText, .grid = SetpointGrid::System, .row = 1, .title = {"Password", "密码"}, .mask = "!0000;0;_", .maxLength = 4},
    {.name = "medPSWChange", .kind = EditorKind::MaskedText, .grid = SetpointGrid::System, .row = 2, .title = {"ChangePassword", "新密码"}, .mask = "!0000;0;_", .maxLength = 4},
    {.name = "seControlerAddr", .kind = EditorKind::Spin, .grid = SetpointGrid::System, .row = 3, .title = {"Controller Addr", "地址"}, .reg = 0x0011, .registerCount = 1, .conversion = Conversion::Scaled, .section = "SYSTEM", .key = "CONTROLER_ADDR", .minKey = "CONTROLER_ADDR_MIN", .maxKey = "CONTROLER_ADDR_MAX", .limits = LimitSource::Register, .formMinimum = 1, .formMaximum = 32, .clampOnExit = true},
    {.name = "cbProtocol", .kind = EditorKind::List, .grid = SetpointGrid::System, .row = 4, .title = {"Protocol", "通讯协议"}, .items = kProtocolItems, .enabled = false},
    {.name = "medGenName", .kind = EditorKind::MaskedText, .grid = SetpointGrid::System, .row = 5, .title = {"GName", "机组名称"}, .reg = 0x0012, .registerCount = 8, .conversion = Conversion::GeneratorName, .mask = "cccccccccccccccc;1;_", .maxLength = 16},
    {.name = "dtpDate", .kind = EditorKind::Date, .grid = SetpointGrid::System, .row = 6, .title = {"Date", "日期"}, .reg = 0x000E, .registerCount = 2, .conversion = Conversion::ControllerDate},
    {.name = "dtpTime", .kind = EditorKind::Time, .grid = SetpointGrid::System, .row = 7, .title = {"Time", "时间"}, .reg = 0x000C, .registerCount = 2, .conversion = Conversion::ControllerTime},
    {.name = "cbPowerSave", .kind = EditorKind::CheckBox, .grid = SetpointGrid::System, .row = 8, .title = {"Power save", "省电模式"}, .reg = 0x0118, .registerCount = 1, .conversion = Conversion::PowerSave},
    {.name = "medMasterSN", .kind = EditorKind::MaskedText, .grid = SetpointGrid::System, .row = 9, .title = {"Serial Num", "序号"}, .reg = 0x0006, .registerCount = 3, .conversion = Conversion::SerialNumber, .mask = "aaaaaaaaaaaa;1;_", .maxLength = 12, .gatedBySystemBit6 = true},
    {.name = "cbLanguage", .kind = EditorKind::List, .grid = SetpointGrid::System, .row = 10, .title = {"Language", "语言"}, .reg = 0x0074, .registerCount = 1, .conversion = Conversion::Enumerated, .items = kLanguageItems, .section = "SYSTEM", .key = "LANGUAGE"},
    {.name = "seDebugAddr", .kind = EditorKind::Spin, .grid = SetpointGrid::System, .row = 11, .title = {"Debug Addr", "Debug Addr"}, .reg = 0x0120, .registerCount = 1, .conversion = Conversion::Unsigned, .unsignedWord = true, .hint = "Factory value is 1.", .limits = LimitSource::KeepFormLimits, .formMaximum = 65535, .factoryOnly = true},
    {.name = "seLCompensation", .kind = EditorKind::Spin, .grid = SetpointGrid::Compensation, .row = 1, .title = {"Curr Calibration (x1A)", "电流补偿 (x1A)"}, .reg = 0x0073, .registerCount = 1, .conversion = Conversion::Scaled, .factor = 100, .decimals = 2, .step = 0.01, .hint = "Factory value is 0.92.", .section = "SYSTEM", .key = "LCOMPENSATION", .minKey = "LCOMPENSATION_MIN", .maxKey = "LCOMPENSATION_MAX", .limits = LimitSource::Register, .clampOnExit = true},
    {.name = "seDCDrop", .kind = EditorKind::Spin, .grid = SetpointGrid::Compensation, .row = 2, .title = {"Batt Calibration (V)", "电池补偿 (V)"}, .reg = 0x0075, .registerCount = 1, .conversion = Conversion::Scaled, .factor = 10, .decimals = 1, .step = 0.1, .section = "SYSTEM", .key = "DC_DROP", .minKey = "DC_DROP_MIN", .maxKey = "DC_DROP_MAX", .limits = LimitSource::Register, .clampOnExit = true},
    {.name = "seRPMRate", .kind = EditorKind::Spin, .grid = SetpointGrid::Compensation, .row = 3, .title = {"RPM ratio (x1r/min)", "转速比率 (x1r/min)"}, .reg = 0x011A, .registerCount = 1, .conversion = Conversion::Scaled, .hint = "Factory value is 1.", .section = "SYSTEM", .key = "RPM_RATE", .minKey = "RPM_RATE_MIN", .maxKey = "RPM_RATE_MAX", .limits = LimitSource::Register, .clampOnExit = true},
    {.name = "seCrankCount", .kind = EditorKind::Spin, .grid = SetpointGrid::Compensation, .row = 4, .title = {"NumStarts", "启动次数"}, .reg = 0x0098, .registerCount = 1, .conversion = Conversion::Scaled, .section = "GENERATOR", .key = "CRANK_COUNT", .minKey = "CRANK_COUNT_MIN", .maxKey = "CRANK_COUNT_MAX", .limits = LimitSource::FullRange, .clampOnExit = true},
    {.name = "seRunHours", .kind = EditorKind::Spin, .grid = SetpointGrid::Compensation, .row = 5, .title = {"RunHours (Hrs)", "运行时间 (Hrs)"}, .reg = 0x009F, .registerCount = 2, .conversion = Conversion::RunHours, .decimals = 1, .step = 0.1, .section = "GENERATOR", .key = "RUN_HOURS", .minKey = "RUN_HOURS_MIN", .maxKey = "RUN_HOURS_MAX", .limits = LimitSource::PmTime, .clampOnExit = true},
    {.name = "seNominPower", .kind = EditorKind::Spin, .grid = SetpointGrid::Basic, .row = 1, .title = {"Nomin Power (KW)", "额定功率 (KW)"}, .reg = 0x00C8, .registerCount = 1, .conversion = Conversion::Scaled, .section = "BASIC SETPOINT", .key = "GNOMIN_PWR", .minKey = "GNOMIN_PWR_MIN", .maxKey = "GNOMIN_PWR_MAX", .limits = LimitSource::Register, .clampOnExit = true},
    {.name = "seNominVoltage", .kind = EditorKind::Spin, .grid = SetpointGrid::Basic, .row = 2, .title = {"Nomin Volt (V)", "额定电压 (V)"}, .reg = 0x00CB, .registerCount = 1, .conversion = Conversion::Scaled, .section = "BASIC SETPOINT", .key = "GNOMIN_VOL", .minKey = "GNOMIN_VOL_MIN", .maxKey = "GNOMIN_VOL_MAX", .limits = LimitSource::Register, .clampOnExit = true},
    {.name = "seNominCurrent", .kind = EditorKind::Spin, .grid = SetpointGrid::Basic, .row = 3, .title = {"Nomin Curr (A)", "额定电流 (A)"}, .reg = 0x00C9, .registerCount = 1, .conversion = Conversion::Scaled, .section = "BASIC SETPOINT", .key = "GNOMIN_CUR", .minKey = "GNOMIN_CUR_MIN", .maxKey = "GNOMIN_CUR_MAX", .limits = LimitSource::Register, .clampOnExit = true},
    {.name = "seNominFrequency", .kind = EditorKind::Spin, .grid = SetpointGrid::Basic, .row = 4, .title = {"Nomin Freq (Hz)", "额定频率 (Hz)"}, .reg = 0x00CA, .registerCount = 1, .conversion = Conversion::Scaled, .factor = 10, .decimals = 1, .step = 0.1, .section = "BASIC SETPOINT", .key = "GNOMIN_FREQ", .minKey = "GNOMIN_FREQ_MIN", .maxKey = "GNOMIN_FREQ_MAX", .limits = LimitSource::Register, .clampOnExit = true},
    {.name = "seNominRPM", .kind = EditorKind::Spin, .grid = SetpointGrid::Basic, .row = 5, .title = {"Nomin RPM (RPM)", "额定转速 (RPM)"}, .reg = 0x00CD, .registerCount = 1, .conversion = Conversion::Scaled, .section = "BASIC SETPOINT", .key = "GNOMIN_RPM", .minKey = "GNOMIN_RPM_MIN", .maxKey = "GNOMIN_RPM_MAX", .limits = LimitSource::Register, .clampOnExit = true},
    {.name = "seGearTeeth", .kind = EditorKind::Spin, .grid = SetpointGrid::Basic, .row = 6, .title = {"Gear Teeth", "齿轮齿数"}, .reg = 0x00CC, .registerCount = 1, .conversion = Conversion::Scaled, .section = "BASIC SETPOINT", .key = "GEAR_TEETH", .minKey = "GEAR_TEETH_MIN", .maxKey = "GEAR_TEETH_MAX", .limits = LimitSource::Register, .clampOnExit = true},
    {.name = "seCTRatio", .kind = EditorKind::Spin, .grid = SetpointGrid::Basic, .row = 7, .title = {"CT Ratio (/5A)", "CT比率 (/5A)"}, .reg = 0x00D2, .registerCount = 1, .conversion = Conversion::Scaled, .section = "BASIC SETPOINT", .key = "CT_RATIO", .minKey = "CT_RATIO_MIN", .maxKey = "CT_RATIO_MAX", .limits = LimitSource::Register, .clampOnExit = true},
    {.name = "seNeutralCTRatio", .kind = EditorKind::Spin, .grid = SetpointGrid::Basic, .row = 8, .title = {"N-CT Ratio (/5A)", "中线比率 (/5A)"}, .reg = 0x00D3, .registerCount = 1, .conversion = Conversion::Scaled, .section = "BASIC SETPOINT", .key = "NEU_CT_RATIO", .minKey = "NEU_CT_RATIO_MIN", .maxKey = "NEU_CT_RATIO_MAX", .limits = LimitSource::Register, .clampOnExit = true},
    {.name = "seVoltageRatio", .kind = EditorKind::Spin, .grid = SetpointGrid::Basic, .row = 9, .title = {"Voltage Ratio (/1V)", "电压比率 (/1V)"}, .reg = 0x011B, .registerCount = 1, .conversion = Conversion::Scaled, .section = "BASIC SETPOINT", .key = "VOLTAGE_RATIO", .minKey = "VOLTAGE_RATIO_MIN", .maxKey = "VOLTAGE_RATIO_MAX", .limits = LimitSource::Register, .clampOnExit = true},
    {.name = "cbRetFromTest", .kind = EditorKind::List, .grid = SetpointGrid::Basic, .row = 10, .title = {"Test Mode", "测试方式"}, .reg = 0x0103, .registerCount = 1, .conversion = Conversion::Enumerated, .items = kRetFromTestItems, .section = "MAINS PROTECT", .key = "RET_FROM_TEST"},
    {.name = "sePreStartTime", .kind = EditorKind::Spin, .grid = SetpointGrid::Engine, .row = 1, .title = {"PreStart Time (s)", "预热时间 (s)"}, .reg = 0x00D4, .registerCount = 1, .conversion = Conversion::Scaled, .section = "ENGINE", .key = "PRE_START_TIME", .minKey = "PRE_START_TIME_MIN", .maxKey = "PRE_START_TIME_MAX", .limits = LimitSource::Register, .clampOnExit = true},
    {.name = "sePreLubricateTime", .kind = EditorKind::Spin, .grid = SetpointGrid::Engine, .row = 2, .title = {"PreLubricant Time (s)", "预润滑时间 (s)"}, .reg = 0x00D6, .registerCount = 1, .conversion = Conversion::Scaled, .section = "ENGINE", .key = "PRE_LUBR_TIME", .limits = LimitSource::Register, .clampOnExit = true, .enabled = false},
    {.name = "seIdleTime", .kind = EditorKind::Spin, .grid = SetpointGrid::Engine, .row = 3, .title = {"Idle Time (s)", "怠速时间 (s)"}, .reg = 0x00D8, .registerCount = 1, .conversion = Conversion::Scaled, .section = "ENGINE", .key = "IDLE_TIME", .minKey = "IDLE_TIME_MIN", .maxKey = "IDLE_TIME_MAX", .limits = LimitSource::Register, .clampOnExit = true},
    {.name = "seEmergencyStartDel", .kind = EditorKind::Spin, .grid = SetpointGrid::Engine, .row = 4, .title = {"Start Del (s)", "机组启动延时 (s)"}, .reg = 0x0117, .registerCount = 1, .conversion = Conversion::Scaled, .section = "ENG_SETPOINT", .key = "EMERG_START_DEL", .minKey = "EMERG_START_DEL_MIN", .maxKey = "EMERG_START_DEL_MAX", .limits = LimitSource::Register, .clampOnExit = true},
    {.name = "seMaxCrankTime", .kind = EditorKind::Spin, .grid = SetpointGrid::Engine, .row = 5, .title = {"MaxCrankTime (s)", "启动最长时间 (s)"}, .reg = 0x00D7, .registerCount = 1, .conversion = Conversion::Scaled, .section = "ENGINE", .key = "MAX_CRANK_TIME", .minKey = "MAX_CRANK_TIME_MIN", .maxKey = "MAX_CRANK_TIME_MAX", .limits = LimitSource::Register, .clampOnExit = true},
    {.name = "seCrankFailPause", .kind = EditorKind::Spin, .grid = SetpointGrid::Engine, .row = 6, .title = {"CrankFail Pause (s)", "启动间歇时间 (s)"}, .reg = 0x00D9, .registerCount = 1, .conversion = Conversion::Scaled, .section = "ENGINE", .key = "CRANK_FAIL_PAUSE", .minKey = "CRANK_FAIL_PAUSE_MIN", .maxKey = "CRANK_FAIL_PAUSE_MAX", .limits = LimitSource::Register, .clampOnExit = true},
    {.name = "seMaxStabTime", .kind = EditorKind::Spin, .grid = SetpointGrid::Engine, .row = 7, .title = {"MaxStab Time (s)", "最长稳定时间 (s)"}, .reg = 0x00DD, .registerCount = 1, .conversion = Conversion::Scaled, .section = "ENGINE", .key = "MAX_STAB_TIME_", .minKey = "MAX_STAB_TIME_MIN", .maxKey = "MAX_STAB_TIME_MAX", .limits = LimitSource::Register, .clampOnExit = true},
    {.name = "seMinStabTime", .kind = EditorKind::Spin, .grid = SetpointGrid::Engine, .row = 8, .title = {"MinStab Time (s)", "最短稳定时间 (s)"}, .reg = 0x00DB, .registerCount = 1, .conversion = Conversion::Scaled, .section = "ENGINE", .key = "MIN_STAB_TIME_", .minKey = "MIN_STAB_TIME_MIN", .maxKey = "MIN_STAB_TIME_MAX", .limits = LimitSource::Register, .clampOnExit = true},
    {.name = "seCoolingTime", .kind = EditorKind::Spin, .grid = SetpointGrid::Engine, .row = 9, .title = {"Cooling Time (s)", "冷却运行时间 (s)"}, .reg = 0x00DE, .registerCount = 1, .conversion = Conversion::Scaled, .section = "ENGINE", .key = "COOLING_TIME", .minKey = "COOLING_TIME_MIN", .maxKey = "COOLING_TIME_MAX", .limits = LimitSource::Register, .clampOnExit = true},
    {.name = "seStartRPM", .kind = EditorKind::Spin, .grid = SetpointGrid::Engine, .row = 10, .title = {"Startup RPM (%)", "启动临界转速 (%)"}, .reg = 0x00D5, .registerCount = 1, .conversion = Conversion::Scaled, .section = "ENGINE", .key = "START_RPM", .minKey = "START_RPM_MIN", .maxKey = "START_RPM_MAX", .limits = LimitSource::Register, .clampOnExit = true},
    {.name = "seCrankOilPre", .kind = EditorKind::Spin, .grid = SetpointGrid::Engine, .row = 11, .title = {"CrankOilPre", "退齿油压"}, .titleRule = TitleRule::CrankOilPressure, .reg = 0x011C, .registerCount = 1, .conversion = Conversion::CrankOilPressure, .section = "GENERATOR", .key = "CRANK_OIL_PRE", .minKey = "CRANK_OIL_PRE_MIN", .maxKey = "CRANK_OIL_PRE_MAX", .limits = LimitSource::DividedBy10, .clampOnExit = true},
    {.name = "seCrankAttemp", .kind = EditorKind::Spin, .grid = SetpointGrid::Engine, .row = 12, .title = {"Crank Attempts", "启动次数"}, .reg = 0x00DA, .registerCount = 1, .conversion = Conversion::Scaled, .section = "ENGINE", .key = "CRANK_ATTEMP", .minKey = "CRANK_ATTEMP_MIN", .maxKey = "CRANK_ATTEMP_MAX", .limits = LimitSource::Register, .clampOnExit = true},
    {.name = "cbFuelValve", .kind = EditorKind::List, .grid = SetpointGrid::Engine, .row = 13, .title = {"Fuel Solenoid", "停机控制"}, .reg = 0x00DC, .registerCount = 1, .conversion = Conversion::Enumerated, .items = kFuelValveItems, .section = "ENGINE", .key = "FUEL_VALVE"},
    {.name = "seLowSpeed", .kind = EditorKind::Spin, .grid = SetpointGrid::EngineProtection, .row = 1, .title = {"Underspeed", "低速比例 (%)"}, .reg = 0x011D, .registerCount = 1, .conversion = Conversion::Scaled, .section = "GENERATOR", .key = "LOW_SPEED", .minKey = "LOW_SPEED_MIN", .maxKey = "LOW_SPEED_MAX", .limits = LimitSource::Register, .clampOnExit = true},
    {.name = "seOverSpeed", .kind = EditorKind::Spin, .grid = SetpointGrid::EngineProtection, .row = 2, .title = {"Overspeed", "超速比例 (%)"}, .reg = 0x00E2, .registerCount = 1, .conversion = Conversion::Scaled, .section = "ENG PROTECT", .key = "OVER_SPEED", .minKey = "OVER_SPEED_MIN", .maxKey = "OVER_SPEED_MAX", .limits = LimitSource::Register, .clampOnExit = true},
    {.name = "seProtectionDel", .kind = EditorKind::Spin, .grid = SetpointGrid::EngineProtection, .row = 3, .title = {"Protection Del", "发动机保护延时 (s)"}, .reg = 0x00E3, .registerCount = 1, .conversion = Conversion::Scaled, .section = "ENG PROTECT", .key = "PROTECTION_DEL", .minKey = "PROTECTION_DEL_MIN", .maxKey = "PROTECTION_DEL_MAX", .limits = LimitSource::Register, .clampOnExit = true},
    {.name = "seHornTimeout", .kind = EditorKind::Spin, .grid = SetpointGrid::EngineProtection, .row = 4, .title = {"Horn timeout", "声光报警时间 (s)"}, .reg = 0x00E1, .registerCount = 1, .conversion = Conversion::Scaled, .section = "ENG PROTECT", .key = "HORN_TIMEOUT", .minKey = "HORN_TIMEOUT_MIN", .maxKey = "HORN_TIMEOUTMAX", .limits = LimitSource::Register, .clampOnExit = true},
    {.name = "seStartBatLev2", .kind = EditorKind::Spin, .grid = SetpointGrid::EngineProtection, .row = 5, .title = {"Batt >V", "电池电压上限 (V)"}, .reg = 0x00EE, .registerCount = 1, .conversion = Conversion::Scaled, .factor = 10, .decimals = 1, .step = 0.1, .section = "ENG PROTECT", .key = "START_BAT_LEV2", .minKey = "START_BAT_LEV2_MIN", .maxKey = "START_BAT_LEV2_MAX", .limits = LimitSource::Register, .clampOnExit = true},
    {.name = "seStartBatLev1", .kind = EditorKind::Spin, .grid = SetpointGrid::EngineProtection, .row = 6, .title = {"Batt <V", "电池电压下限 (V)"}, .reg = 0x00ED, .registerCount = 1, .conversion = Conversion::Scaled, .factor = 10, .decimals = 1, .step = 0.1, .section = "ENG PROTECT", .key = "START_BAT_LEV1", .minKey = "START_BAT_LEV1_MIN", .maxKey = "START_BAT_LEV1_MAX", .limits = LimitSource::Register, .clampOnExit = true},
    {.name = "seStartBatDel", .kind = EditorKind::Spin, .grid = SetpointGrid::EngineProtection, .row = 7, .title = {"Batt V Del", "电池报警延时 (s)"}, .reg = 0x00EF, .registerCount = 1, .conversion = Conversion::Scaled, .section = "ENG PROTECT", .key = "START_BAT_DEL", .minKey = "START_BAT_DEL_MIN", .maxKey = "START_BAT_DEL_MAX", .limits = LimitSource::Register, .formMaximum = 600, .maxLength = 3, .clampOnExit = true},
    {.name = "seAnlg1Lev1", .kind = EditorKind::Spin, .grid = SetpointGrid::EngineProtection, .row = 8, .title = {"Lev1", "预警值 "}, .titleRule = TitleRule::ChannelLevel, .reg = 0x00E4, .registerCount = 1, .conversion = Conversion::AnalogueLevel, .channel = 1, .section = "ENG PROTECT", .key = "ANLG1_LEV1", .minKey = "ANLG1_LEV1_MIN", .maxKey = "ANLG1_LEV1_MAX", .limits = LimitSource::Undivided, .clampOnExit = true},
    {.name = "seAnlg1Lev2", .kind = EditorKind::Spin, .grid = SetpointGrid::EngineProtection, .row = 9, .title = {"Lev2", "报警值 "}, .titleRule = TitleRule::ChannelLevel, .reg = 0x00E5, .registerCount = 1, .conversion = Conversion::AnalogueLevel, .channel = 1, .section = "ENG PROTECT", .key = "ANLG1_LEV2", .minKey = "ANLG1_LEV2_MIN", .maxKey = "ANLG1_LEV2_MAX", .limits = LimitSource::Undivided, .clampOnExit = true},
    {.name = "seAnlg1Del", .kind = EditorKind::Spin, .grid = SetpointGrid::EngineProtection, .row = 10, .title = {"Del", "报警延时 (s)"}, .titleRule = TitleRule::ChannelDelay, .reg = 0x00E6, .registerCount = 1, .conversion = Conversion::Scaled, .channel = 1, .section = "ENG PROTECT", .key = "ANLG1_DEL", .minKey = "ANLG1_DEL_MIN", .maxKey = "ANLG1_DEL_MAX", .limits = LimitSource::Register, .clampOnExit = true},
    {.name = "seAnlg2Lev1", .kind = EditorKind::Spin, .grid = SetpointGrid::EngineProtection, .row = 11, .title = {"Lev1", "预警值 "}, .titleRule = TitleRule::ChannelLevel, .reg = 0x00E7, .registerCount = 1, .conversion = Conversion::AnalogueLevel, .channel = 2, .section = "ENG PROTECT", .key = "ANLG2_LEV1", .minKey = "ANLG2_LEV1_MIN", .maxKey = "ANLG2_LEV1_MAX", .limits = LimitSource::Undivided, .clampOnExit = true},
    {.name = "seAnlg2Lev2", .kind = EditorKind::Spin, .grid = SetpointGrid::EngineProtection, .row = 12, .title = {"Lev2", "报警值 "}, .titleRule = TitleRule::ChannelLevel, .reg = 0x00E8, .registerCount = 1, .conversion = Conversion::AnalogueLevel, .channel = 2, .section = "ENG PROTECT", .key = "ANLG2_LEV2", .minKey = "ANLG2_LEV2_MIN", .maxKey = "ANLG2_LEV2_MAX", .limits = LimitSource::Undivided, .clampOnExit = true},
    {.name = "seAnlg2Del", .kind = EditorKind::Spin, .grid = SetpointGrid::EngineProtection, .row = 13, .title = {"Del", "报警延时 (s)"}, .titleRule = TitleRule::ChannelDelay, .reg = 0x00E9, .registerCount = 1, .conversion = Conversion::Scaled, .channel = 2, .section = "ENG PROTECT", .key = "ANLG2_DEL", .minKey = "ANLG2_DEL_MIN", .maxKey = "ANLG2_DEL_MAX", .limits = LimitSource::Register, .clampOnExit = true},
    {.name = "seAnlg3Lev1", .kind = EditorKind::Spin, .grid = SetpointGrid::EngineProtection, .row = 14, .title = {"Lev1", "预警值 "}, .titleRule = TitleRule::ChannelLevel, .reg = 0x00EA, .registerCount = 1, .conversion = Conversion::AnalogueLevel, .channel = 3, .section = "ENG PROTECT", .key = "ANLG3_LEV1", .minKey = "ANLG3_LEV1_MIN", .maxKey = "ANLG3_LEV1_MAX", .limits = LimitSource::Undivided, .clampOnExit = true},
    {.name = "seAnlg3Lev2", .kind = EditorKind::Spin, .grid = SetpointGrid::EngineProtection, .row = 15, .title = {"Lev2", "报警值 "}, .titleRule = TitleRule::ChannelLevel, .reg = 0x00EB, .registerCount = 1, .conversion = Conversion::AnalogueLevel, .channel = 3, .section = "ENG PROTECT", .key = "ANLG3_LEV2", .minKey = "ANLG3_LEV2_MIN", .maxKey = "ANLG3_LEV2_MAX", .limits = LimitSource::Undivided, .clampOnExit = true},
    {.name = "seAnlg3Del", .kind = EditorKind::Spin, .grid = SetpointGrid::EngineProtection, .row = 16, .title = {"Del", "报警延时 (s)"}, .titleRule = TitleRule::ChannelDelay, .reg = 0x00EC, .registerCount = 1, .conversion = Conversion::Scaled, .channel = 3, .section = "ENG PROTECT", .key = "ANLG3_DEL", .minKey = "ANLG3_DEL_MIN", .maxKey = "ANLG3_DEL_MAX", .limits = LimitSource::Register, .clampOnExit = true},
    {.name = "seUnderSpeedDel", .kind = EditorKind::Spin, .grid = SetpointGrid::EngineProtection, .row = 1, .half = 1, .title = {"Underspeed Del", "低速保护延时 (s)"}, .reg = 0x011E, .registerCount = 1, .conversion = Conversion::Scaled, .section = "GENERATOR", .key = "UNDER_SPEED_DEL", .minKey = "UNDER_SPEED_DEL_MIN", .maxKey = "UNDER_SPEED_DEL_MAX", .limits = LimitSource::Register, .clampOnExit = true},
    {.name = "seOverSpeedDel", .kind = EditorKind::Spin, .grid = SetpointGrid::EngineProtection, .row = 2, .half = 1, .title = {"Overspeed Del", "超速保护延时 (s)"}, .reg = 0x011F, .registerCount = 1, .conversion = Conversion::Scaled, .section = "GENERATOR", .key = "OVER_SPEED_DEL", .minKey = "OVER_SPEED_DEL_MIN", .maxKey = "OVER_SPEED_DEL_MAX", .limits = LimitSource::Register, .clampOnExit = true},
    {.name = "sePMTime", .kind = EditorKind::Spin, .grid = SetpointGrid::EngineProtection, .row = 3, .half = 1, .title = {"PM hours", "维护时间 (Hrs)"}, .reg = 0x00E0, .registerCount = 1, .conversion = Conversion::Scaled, .section = "ENG PROTECT", .key = "PM_TIME", .minKey = "PM_TIME_MIN", .maxKey = "PM_TIME_MAX", .limits = LimitSource::Register, .clampOnExit = true},
    {.name = "seGenVoltageLev1", .kind = EditorKind::Spin, .grid = SetpointGrid::Generator, .row = 1, .title = {"Gen <V (%)", "电压下限 (%)"}, .reg = 0x00FC, .registerCount = 1, .conversion = Conversion::Scaled, .section = "GEN PROTECT", .key = "VG_LEV1", .minKey = "VG_LEV1_MIN", .maxKey = "VG_LEV1_MAX", .limits = LimitSource::Register, .clampOnExit = true},
    {.name = "seGenVoltageLev2", .kind = EditorKind::Spin, .grid = SetpointGrid::Generator, .row = 2, .title = {"Gen >V (%)", "电压上限 (%)"}, .reg = 0x00FD, .registerCount = 1, .conversion = Conversion::Scaled, .section = "GEN PROTECT", .key = "VG_LEV2", .minKey = "VG_LEV2_MIN", .maxKey = "VG_LEV2_MAX", .limits = LimitSource::Register, .clampOnExit = true},
    {.name = "seGenVoltageDel", .kind = EditorKind::Spin, .grid = SetpointGrid::Generator, .row = 3, .title = {"Gen V Del (s)", "电压超限延时 (s)"}, .reg = 0x00FE, .registerCount = 1, .conversion = Conversion::Scaled, .factor = 10, .decimals = 1, .step = 0.1, .section = "GEN PROTECT", .key = "VG_DEL", .minKey = "VG_DEL_MIN", .maxKey = "VG_DEL_MAX", .limits = LimitSource::Register, .clampOnExit = true},
    {.name = "seGenVoltageUnbalance", .kind = EditorKind::Spin, .grid = SetpointGrid::Generator, .row = 4, .title = {"Gen Volt Unbal (%)", "电压不平衡 (%)"}, .reg = 0x00FA, .registerCount = 1, .conversion = Conversion::Scaled, .section = "GEN PROTECT", .key = "VG_UNBAL", .minKey = "VG_UNBAL_MIN", .maxKey = "VG_UNBAL_MAX", .limits = LimitSource::Register, .clampOnExit = true},
    {.name = "seGenVoltageUnbalanceDel", .kind = EditorKind::Spin, .grid = SetpointGrid::Generator, .row = 5, .title = {"Gen Volt Unbal Del (s)", "电压不平衡延时 (s)"}, .reg = 0x00FB, .registerCount = 1, .conversion = Conversion::Scaled, .factor = 10, .decimals = 1, .step = 0.1, .section = "GEN PROTECT", .key = "VG_UNBAL_DEL", .minKey = "VG_UNBAL_DEL_MIN", .maxKey = "VG_UNBAL_DEL_MAX", .limits = LimitSource::Register, .clampOnExit = true},
    {.name = "seGenFrequencyLev1", .kind = EditorKind::Spin, .grid = SetpointGrid::Generator, .row = 6, .title = {"Gen <f (%)", "频率下限 (%)"}, .reg = 0x00FF, .registerCount = 1, .conversion = Conversion::Scaled, .section = "GEN PROTECT", .key = "GFREQ_LEV1", .minKey = "GFREQ_LEV1_MIN", .maxKey = "GFREQ_LEV1_MAX", .limits = LimitSource::Register, .clampOnExit = true},
    {.name = "seGenFrequencyLev2", .kind = EditorKind::Spin, .grid = SetpointGrid::Generator, .row = 7, .title = {"Gen >f (%)", "频率上限 (%)"}, .reg = 0x0100, .registerCount = 1, .conversion = Conversion::Scaled, .section = "GEN PROTECT", .key = "GFREQ_LEV2", .minKey = "GFREQ_LEV2_MIN", .maxKey = "GFREQ_LEV2_MAX", .limits = LimitSource::Register, .clampOnExit = true},
    {.name = "seGenFrequencyDel", .kind = EditorKind::Spin, .grid = SetpointGrid::Generator, .row = 8, .title = {"Gen f Del (s)", "频率超限延时 (s)"}, .reg = 0x0101, .registerCount = 1, .conversion = Conversion::Scaled, .factor = 10, .decimals = 1, .step = 0.1, .section = "GEN PROTECT", .key = "GFREQ_DEL", .minKey = "GFREQ_DEL_MIN", .maxKey = "GFREQ_DEL_MAX", .limits = LimitSource::Register, .clampOnExit = true},
    {.name = "seOverLoad", .kind = EditorKind::Spin, .grid = SetpointGrid::Generator, .row = 9, .title = {"Curr Over (%)", "过载电流 (%)"}, .reg = 0x00F0, .registerCount = 1, .conversion = Conversion::Scaled, .section = "GEN PROTECT", .key = "OV_LD", .minKey = "OV_LD_MIN", .maxKey = "OV_LD_MAX", .limits = LimitSource::Register, .clampOnExit = true},
    {.name = "seOverLoadDel", .kind = EditorKind::Spin, .grid = SetpointGrid::Generator, .row = 10, .title = {"Curr Over Del (s)", "电流过载延时 (s)"}, .reg = 0x00F3, .registerCount = 1, .conversion = Conversion::Scaled, .factor = 10, .decimals = 1, .step = 0.1, .section = "GEN PROTECT", .key = "OV_LD_DEL", .minKey = "OV_LD_DEL_MIN", .maxKey = "OV_LD_DEL_MAX", .limits = LimitSource::Register, .clampOnExit = true},
    {.name = "seOverCurrent", .kind = EditorKind::Spin, .grid = SetpointGrid::Generator, .row = 11, .title = {"Curr Short (%)", "电流短路 (%)"}, .reg = 0x00F4, .registerCount = 1, .conversion = Conversion::Scaled, .section = "GEN PROTECT", .key = "OV_CURR", .minKey = "OV_CURR_MIN", .maxKey = "OV_CURR_MAX", .limits = LimitSource::Register, .clampOnExit = true},
    {.name = "seOverCurrentDel", .kind = EditorKind::Spin, .grid = SetpointGrid::Generator, .row = 12, .title = {"Curr Short Del (s)", "电流短路延时 (s)"}, .reg = 0x00F5, .registerCount = 1, .conversion = Conversion::Scaled, .factor = 10, .decimals = 1, .step = 0.1, .section = "GEN PROTECT", .key = "OV_CURR_DEL", .minKey = "OV_CURR_DEL_MIN", .maxKey = "OV_CURR_DEL_MAX", .limits = LimitSource::Register, .clampOnExit = true},
    {.name = "seNeutralCurrent", .kind = EditorKind::Spin, .grid = SetpointGrid::Generator, .row = 13, .title = {"N-Curr Lim (%)", "中线保护电流 (%)"}, .reg = 0x00F6, .registerCount = 1, .conversion = Conversion::Scaled, .section = "GEN PROTECT", .key = "GNEUTRAL_CURRENT", .minKey = "GNEUTRAL_CURRENT_MIN", .maxKey = "GNEUTRAL_CURRENT_MAX", .limits = LimitSource::Register, .clampOnExit = true},
    {.name = "seNeutralCurrentDel", .kind = EditorKind::Spin, .grid = SetpointGrid::Generator, .row = 14, .title = {"N-Curr Del (s)", "中线电流保护延时 (s)"}, .reg = 0x00F7, .registerCount = 1, .conversion = Conversion::Scaled, .factor = 10, .decimals = 1, .step = 0.1, .section = "GEN PROTECT", .key = "GNEUTRAL_CURRENT_DEL", .minKey = "GNEUTRAL_CURRENT_DEL_MIN", .maxKey = "GNEUTRAL_CURRENT_DEL_MAX", .limits = LimitSource::Register, .clampOnExit = true},
    {.name = "seCurrentUnbalance", .kind = EditorKind::Spin, .grid = SetpointGrid::Generator, .row = 15, .title = {"Curr Unbal (%)", "电流不平衡 (%)"}, .reg = 0x00F8, .registerCount = 1, .conversion = Conversion::Scaled, .section = "GEN PROTECT", .key = "GCURR_UNBAL", .minKey = "GCURR_UNBAL_MIN", .maxKey = "GCURR_UNBAL_MAX", .limits = LimitSource::Register, .clampOnExit = true},
    {.name = "seCurrentUnbalanceDel", .kind = EditorKind::Spin, .grid = SetpointGrid::Generator, .row = 16, .title = {"Curr Unbal Del (s)", "电流不平衡延时 (s)"}, .reg = 0x00F9, .registerCount = 1, .conversion = Conversion::Scaled, .factor = 10, .decimals = 1, .step = 0.1, .section = "GEN PROTECT", .key = "GCURR_UNBAL_DEL", .minKey = "GCURR_UNBAL_DEL_MIN", .maxKey = "GCURR_UNBAL_DEL_MAX", .limits = LimitSource::Register, .clampOnExit = true},
    {.name = "seInversePower", .kind = EditorKind::Spin, .grid = SetpointGrid::Generator, .row = 1, .half = 1, .title = {"Inverse Power (%)", "逆功率保护 (%)"}, .reg = 0x00C2, .registerCount = 1, .conversion = Conversion::Scaled, .section = "GENERATOR", .key = "INVERSE_PWR", .minKey = "INVERSE_PWR_MIN", .maxKey = "INVERSE_PWR_MAX", .limits = LimitSource::Register, .clampOnExit = true},
    {.name = "seInversePowerDel", .kind = EditorKind::Spin, .grid = SetpointGrid::Generator, .row = 2, .half = 1, .title = {"Inverse Power Del (s)", "逆功率保护延时 (s)"}, .reg = 0x00C3, .registerCount = 1, .conversion = Conversion::Scaled, .factor = 10, .decimals = 1, .step = 0.1, .section = "GENERATOR", .key = "INVERSE_PWR_DEL", .minKey = "INVERSE_PWR_DEL_MIN", .maxKey = "INVERSE_PWR_DEL_MAX", .limits = LimitSource::Register, .clampOnExit = true},
    {.name = "cbOverCurrProtection", .kind = EditorKind::List, .grid = SetpointGrid::Generator, .row = 3, .half = 1, .title = {"Curr Over Shutdown", "过流保护"}, .reg = 0x0089, .registerCount = 1, .conversion = Conversion::CurrentAction, .items = kCurrentActionItems, .section = "CurrProperty", .key = "CURR_PROPERTY"},
    {.name = "cbShortProtection", .kind = EditorKind::List, .grid = SetpointGrid::Generator, .row = 4, .half = 1, .title = {"Curr Short Shutdown", "短路保护"}, .reg = 0x0089, .registerCount = 1, .conversion = Conversion::CurrentAction, .shift = 4, .items = kCurrentActionItems, .section = "CurrProperty", .key = "CURR_PROPERTY"},
    {.name = "cbOverLoadProtection", .kind = EditorKind::List, .grid = SetpointGrid::Generator, .row = 5, .half = 1, .title = {"Over Load Shutdown", "过载保护"}, .reg = 0x0089, .registerCount = 1, .conversion = Conversion::CurrentAction, .shift = 8, .items = kCurrentActionItems, .section = "CurrProperty", .key = "CURR_PROPERTY"},
    {.name = "cbUnbalCurrProtection", .kind = EditorKind::List, .grid = SetpointGrid::Generator, .row = 6, .half = 1, .title = {"Curr Unbal Shutdown", "电流不平衡保护"}, .reg = 0x0089, .registerCount = 1, .conversion = Conversion::UnbalanceAction, .shift = 12, .items = kUnbalanceActionItems, .section = "CurrProperty", .key = "CURR_PROPERTY"},
    {.name = "seMainsVoltageLev1", .kind = EditorKind::Spin, .grid = SetpointGrid::Mains, .row = 1, .title = {"Mains <V (%)", "电压下限 (%)"}, .reg = 0x010C, .registerCount = 1, .conversion = Conversion::Scaled, .section = "MAINS PROTECT", .key = "VM_LEV1", .minKey = "VM_LEV1_MIN", .maxKey = "VM_LEV1_MAX", .limits = LimitSource::Register, .clampOnExit = true},
    {.name = "seMainsVoltageLev2", .kind = EditorKind::Spin, .grid = SetpointGrid::Mains, .row = 2, .title = {"Mains >V (%)", "电压上限 (%)"}, .reg = 0x010D, .registerCount = 1, .conversion = Conversion::Scaled, .section = "MAINS PROTECT", .key = "VM_LEV2", .minKey = "VM_LEV2_MIN", .maxKey = "VM_LEV2_MAX", .limits = LimitSource::Register, .clampOnExit = true},
    {.name = "seMainsVoltageDel", .kind = EditorKind::Spin, .grid = SetpointGrid::Mains, .row = 3, .title = {"Mains V Del (s)", "电压超限延时 (s)"}, .reg = 0x010E, .registerCount = 1, .conversion = Conversion::Scaled, .factor = 10, .decimals = 1, .step = 0.1, .section = "MAINS PROTECT", .key = "VM_DEL", .minKey = "VM_DEL_MIN", .maxKey = "VM_DEL_MAX", .limits = LimitSource::Register, .clampOnExit = true},
    {.name = "seMainsVoltageUnbalance", .kind = EditorKind::Spin, .grid = SetpointGrid::Mains, .row = 4, .title = {"Mains Volt Unbal (%)", "电压不平衡 (%)"}, .reg = 0x010A, .registerCount = 1, .conversion = Conversion::Scaled, .section = "MAINS PROTECT", .key = "VM_UNBAL", .minKey = "VM_UNBAL_MIN", .maxKey = "VM_UNBAL_MAX", .limits = LimitSource::Register, .clampOnExit = true},
    {.name = "seMainsVoltageUnbalanceDel", .kind = EditorKind::Spin, .grid = SetpointGrid::Mains, .row = 5, .title = {"Mains Volt Unbal Del (s)", "电压不平衡延时 (s)"}, .reg = 0x010B, .registerCount = 1, .conversion = Conversion::Scaled, .factor = 10, .decimals = 1, .step = 0.1, .section = "MAINS PROTECT", .key = "VM_UNBAL_DEL", .minKey = "VM_UNBAL_DEL_MIN", .maxKey = "VM_UNBAL_DEL_MAX", .limits = LimitSource::Register, .clampOnExit = true},
    {.name = "seMainsFrequencyLev1", .kind = EditorKind::Spin, .grid = SetpointGrid::Mains, .row = 6, .title = {"Mains <f (%)", "频率下限 (%)"}, .reg = 0x010F, .registerCount = 1, .conversion = Conversion::Scaled, .section = "MAINS PROTECT", .key = "MFREQ_LEV1", .minKey = "MFREQ_LEV1_MIN", .maxKey = "MFREQ_LEV1_MAX", .limits = LimitSource::Register, .clampOnExit = true},
    {.name = "seMainsFrequencyLev2", .kind = EditorKind::Spin, .grid = SetpointGrid::Mains, .row = 7, .title = {"Mains >f (%)", "频率上限 (%)"}, .reg = 0x0110, .registerCount = 1, .conversion = Conversion::Scaled, .section = "MAINS PROTECT", .key = "MFREQ_LEV2", .minKey = "MFREQ_LEV2_MIN", .maxKey = "MFREQ_LEV2_MAX", .limits = LimitSource::Register, .clampOnExit = true},
    {.name = "seMainsFrequencyDel", .kind = EditorKind::Spin, .grid = SetpointGrid::Mains, .row = 8, .title = {"Mains f Del (s)", "频率超限延时 (s)"}, .reg = 0x0111, .registerCount = 1, .conversion = Conversion::Scaled, .factor = 10, .decimals = 1, .step = 0.1, .section = "MAINS PROTECT", .key = "MFREQ_DEL", .minKey = "MFREQ_DEL_MIN", .maxKey = "MFREQ_DEL_MAX", .limits = LimitSource::Register, .clampOnExit = true},
    {.name = "seMainsFailValidDel", .kind = EditorKind::Spin, .grid = SetpointGrid::Mains, .row = 9, .title = {"Mains Flt Del (s)", "市电故障确认延时 (s)"}, .reg = 0x0102, .registerCount = 1, .conversion = Conversion::Scaled, .section = "MAINS PROTECT", .key = "MAINS_FAIL_VALID_DEL", .minKey = "MAINS_FAIL_VALID_DEL_MIN", .maxKey = "MAINS_FAIL_VALID_DEL_MAX", .limits = LimitSource::Register, .clampOnExit = true},
    {.name = "cbATSType", .kind = EditorKind::List, .grid = SetpointGrid::Mains, .row = 10, .title = {"ATS Tyep", "开关类型"}, .reg = 0x0104, .registerCount = 1, .conversion = Conversion::Enumerated, .items = kAtsTypeItems, .section = "MAINS PROTECT", .key = "ATS_TYPE"},
    {.name = "cbATSLogic", .kind = EditorKind::List, .grid = SetpointGrid::Mains, .row = 11, .title = {"ATS Logic", "开关逻辑"}, .reg = 0x0105, .registerCount = 1, .conversion = Conversion::Enumerated, .items = kAtsLogicItems, .section = "MAINS PROTECT", .key = "ATS_LOG"},
    {.name = "seATS1OpenDel", .kind = EditorKind::Spin, .grid = SetpointGrid::Mains, .row = 12, .title = {"ATS Open Del (s)", "ATS分闸延时 (s)"}, .reg = 0x0106, .registerCount = 1, .conversion = Conversion::Scaled, .section = "MAINS PROTECT", .key = "ATS1_OPEN_DEL", .minKey = "ATS1_OPEN_DEL_MIN", .maxKey = "ATS1_OPEN_DEL_MAX", .limits = LimitSource::Register, .clampOnExit = true},
    {.name = "seATS1CloseDel", .kind = EditorKind::Spin, .grid = SetpointGrid::Mains, .row = 13, .title = {"ATS Close Del (s)", "ATS合闸延时 (s)"}, .reg = 0x0107, .registerCount = 1, .conversion = Conversion::Scaled, .section = "MAINS PROTECT", .key = "ATS1_CLOSE_DEL", .minKey = "ATS1_CLOSE_DEL_MIN", .maxKey = "ATS1_CLOSE_DEL_MAX", .limits = LimitSource::Register, .clampOnExit = true},
    {.name = "seATS2OpenDel", .kind = EditorKind::Spin, .grid = SetpointGrid::Mains, .row = 0, .title = {"", ""}, .reg = 0x0108, .registerCount = 1, .conversion = Conversion::Scaled, .section = "MAINS PROTECT", .key = "ATS2_OPEN_DEL", .limits = LimitSource::Register, .enabled = false},
    {.name = "seATS2CloseDel", .kind = EditorKind::Spin, .grid = SetpointGrid::Mains, .row = 0, .title = {"", ""}, .reg = 0x0109, .registerCount = 1, .conversion = Conversion::Scaled, .section = "MAINS PROTECT", .key = "ATS2_CLOSE_DEL", .limits = LimitSource::Register, .enabled = false},
};

constexpr SetpointGridInfo kGrids[] = {
    {SetpointGrid::System, "sgSystemSetpoints", 2, 14, "lbSystem", {"System", "系统"}},
    {SetpointGrid::Compensation, "sgCompensationSetpoints", 2, 16, "lbRecalibrate", {"Re-calibrate", "系统标定"}},
    {SetpointGrid::Basic, "sgBasicSetpoints", 2, 16, "lbBasic", {"Basic", "基本设定"}},
    {SetpointGrid::Engine, "sgEngineSetpoints", 2, 16, "lbEngine", {"Engine", "发动机设定"}},
    {SetpointGrid::EngineProtection, "sgEngineProtectionSetpoints", 4, 17, "lbEngineProtection", {"Engine Protection", "发动机保护设定"}},
    {SetpointGrid::Generator, "sgGeneratorSetpoints", 4, 17, "lbGeneratorProtection", {"Generator Protection", "发电机保护设定"}},
    {SetpointGrid::Mains, "sgMainsSetpoints", 2, 17, "lbMains", {"Mains", "市电保护"}},
};

constexpr FactoryRow kFactoryRows[] = {
    {6, "IN1_DEF", 0x0062},
    {7, "L11_DEF", 0x0063},
    {8, "L12_DEF", 0x0064},
    {9, "L13_DEF", 0x0065},
    {10, "VG1_DEF", 0x006A},
    {11, "VG2_DEF", 0x006B},
    {12, "VG3_DEF", 0x006C},
    {13, "VM11_DEF", 0x006D},
    {14, "VM12_DEF", 0x006E},
    {15, "VM13_DEF", 0x006F},
};
// clang-format on

}  // namespace

std::span<const ParameterRow> ParameterTable() {
  return kRows;
}

std::optional<std::size_t> FindParameterRow(std::string_view name) {
  for (std::size_t i = 0; i < std::size(kRows); ++i) {
    if (kRows[i].name == name) return i;
  }
  return std::nullopt;
}

std::span<const SetpointGridInfo> SetpointGrids() {
  return kGrids;
}

const SetpointGridInfo& GridInfo(SetpointGrid grid) {
  for (const SetpointGridInfo& g : kGrids) {
    if (g.grid == grid) return g;
  }
  return kGrids[0];
}

std::span<const FactoryRow> FactoryRows() {
  return kFactoryRows;
}

}  // namespace vorel
