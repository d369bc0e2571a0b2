#include "common/Captions.h"

#include "common/ShellSettings.h"

#include <array>

QString Caption::Text(int lang) const {
    return QString::fromUtf8(lang == ShellSettings::English ? En : Sr);
}

QString Caption::Text() const {
    return Text(::Shell().UiLanguage);
}

QString TwinCaption::Text(int lang, bool registerFont) const {
    if (lang == ShellSettings::Serbian && registerFont)
        return QString::fromLatin1(SrRegister);
    return Plain.Text(lang);
}

QString TwinCaption::Text(bool registerFont) const {
    return Text(::Shell().UiLanguage, registerFont);
}

namespace {

constexpr auto T = CaptionTarget::Text;
constexpr auto Tip = CaptionTarget::ToolTip;
constexpr auto Title = CaptionTarget::Title;

constexpr ControlCaption Menu[] = {
    {"", "PLUDBShow", T, {"PLU DataBase", "PLU baza"}},
    {"", "DataBase1", T, {"Database", "Baza podataka"}},
    {"", "PLUDBPrint1", T, {"PLU DB Print", "Stampanje PLU baze"}},
    {"", "MnImport", T, {"Import...", "Import..."}},
    {"", "MnExport", T, {"Export...", "Eksport..."}},
    {"", "PrintFile", T, {"Print...", "Stampaj..."}},
    {"", "File1", T, {"File", "Datoteka"}},
    {"", "FileExit", T, {"Exit", "Izlaz"}},
    {"", "SaveFile", T, {"Save As...", "Sacuvaj kao..."}},
    {"", "ViewFile", T, {"View...", "Otvori..."}},
    {"", "Connection1", T, {"Connection", "Povezivanje"}},
    {"", "Viewer1", T, {"File Viewer", "Pregled datoteka"}},
    {"", "History1", T, {"Sales History", "Istorija prodaje"}},
    {"", "Tools", T, {"Tools", "Alati"}},
    {"", "Monitor1", T, {"Sales Monitor", "Evidencija prodaje"}},
    {"", "Sales1", T, {"Fiscal Printer", "Fiskalni printer"}},
    {"", "Reports1", T, {"Reports", "Izvestaji"}},
    {"", "PLUsProg", T, {"PLUs", "PLU"}},
    {"", "Header1", T, {"Headers", "Zaglavlja"}},
    {"", "Settings", T, {"Settings", "Podesavanja"}},
    {"", "Communication", T, {"Communication", "Komunikacija"}},
    {"", "Monitors", T, {"Text", "Tekst"}},
    {"", "FFontSize", T, {"Font Size", "Velicina fonta"}},
    {"", "Wordwrap", T, {"Word Wrap", "Slaganje teksta"}},
    {"", "Port", T, {"Port", "Port"}},
    {"", "BaudRate", T, {"Baud Rate", "Brzina prenosa"}},
    {"", "MnFindRegister", T, {"Find register", "Pronađi kasu"}},
    {"", "MnTraceFile", T, {"Trace to file...", "Zapis prenosa u datoteku..."}},
    {"", "WRYes", T, {"Yes", "Da"}},
    {"", "WRNo", T, {"No", "Ne"}},
    {"", "ExitCommander", T, {"Exit", "Izlaz"}},
    {"", "Utilities", T, {"Utilities", "Opcije"}},
    {"", "MnGetTime", T, {"Get CR Day Time", "Dnevno vreme kase"}},
    {"", "CloseSheets", T, {"Close", "Zatvori"}},
    {"", "MnHelp", T, {"Help", "Pomoc"}},
    {"", "MnCmdHelp", T, {"Commander Help", "Pomoc"}},
    {"", "MnAbout", T, {"About", "O komanderu"}},
    {"", "Languagecharset1", T, {"Language charset", "Skup jezickih karaktera"}},
    {"", "DefCSet", T, {"Default", "Po definiciji"}},
    {"", "CyrCSet", T, {"Cyrillic", "Cirilica"}},
    {"", "LatCSet", T, {"Latin", "Latin"}},
    {"TPLUPrintForm", "MnDefault", T, {"Default", "Po definiciji"}},
    {"TPLUPrintForm", "MnCyrilic", T, {"Cyrillic", "Cirilica"}},
    {"TPLUPrintForm", "MnLatin", T, {"Latin", "Latin"}},
    {"", "LLanguage", T, {"Language", "Jezik"}},
    {"", "MnEnglish", T, {"English", "Engleski"}},
    {"", "MnSerbian", T, {"Serbian", "Srpski"}},
    {"", "HintsPanel", Tip, {"Right click for tool selection", "Desni klik za izbor alata"}},
    {"", "EngCashReg", T, {"ELECTRONIC CASH REGISTER", "ELEKTRONSKA REGISTAR KASA"}},
    {"", "MnCRAsciiletters", T, {"CR ASCII letters", "CR ASCII slova"}},
    {"", "OrvexSWVersion", T, {"Orvex Version", "Verzija programa"}},
    {"", "MnExportImport", T, {"Excel Import/Export", "Excel Import/Eksport"}},
    {"", "MnBarcodeDecoding", T, {"Decoding...", "Dekodiranje..."}},
    {"", "MnUniqueness", T, {"Uniquness check", "Provera jedinstvenog artikla"}},
    {"", "Filewithmacros", T, {"Orvex File with macros", "Datoteka sa makroima"}},
    {"", "Standardfile", T, {"Standard file", "Standardna datoteka"}},
    {"", "MnFiscalPrinter", T, {"Fiscal printer", "Fiskalni printer"}},
};

constexpr ControlCaption Monitor[] = {
    {"", "MonitorSheet", T, {"Sales Monitor", "Evidencija prodaje"}},
    {"", "Byte_Count", T, {"Number of Bytes:", "Broj bajtova:"}},
    {"", "Reset", T, {"Reset", "Reset"}},
    {"", "Clear", T, {"Clear", "Briši"}},
};

constexpr ControlCaption Viewer[] = {
    {"", "ViewerSheet", T, {"File Viewer", "Pregled datoteka"}},
    {"", "ClearViewer", T, {"Clear", "Briši"}},
    {"", "Programming", T, {"Programming", "Programiranje"}},
    {"", "CloseViewerSheet", T, {"Close", "Zatvori"}},
};

constexpr ControlCaption Sales[] = {
    {"", "SalesSheet", T, {"Fiscal Printer", "Fiskalni printer"}},
    {"", "ReceiptSt", T, {"Receipt Status", "Status računa"}},
    {"", "ErrorSt", T, {"Error Status", "Status greške"}},
    {"", "PLUSalesCode", T, {"PLU Code", "PLU kod"}},
    {"", "SaleDescLabel", T, {"Description", "Opis"}},
    {"", "SalesWP", T, {"Weight / Pieces", "Težina / Komada"}},
    {"", "SalesAmount", T, {"By Amount", "Po iznosu"}},
    {"", "AmIn", T, {"Premium", "Povecanje"}},
    {"", "AmDec", T, {"Discount", "Popust"}},
    {"", "SalesPerc", T, {"By Percentage", "Po procentima"}},
    {"", "PerIn", T, {"Premium", "Povećanje"}},
    {"", "PerDec", T, {"Discount", "Popust"}},
    {"", "NormalSale", T, {"Sale - F3", "Prodaja-F3"}},
    {"", "Correction", T, {"Earlier Corr. -F4", "Prethodne korekcije-F4"}},
    {"", "SubTotal", T, {"Subtotal-F5", "Medjuzbir-F5"}},
    {"", "SubLabel", T, {"Subtotal", "Medjuzbir"}},
    {"", "ImmCorrection", T, {"Correction", "Korekcija"}},
    {"", "SCancel", T, {"Clear-Esc", "Briši-Esc"}},
    {"", "TotalCash", T, {"Total/Cash", "Ukupno/Gotovina"}},
    {"", "Check", T, {"Cheque", "Ček"}},
    {"", "Card", T, {"Card", "Kartica"}},
    {"", "Cash", T, {"Cash - F6", "Gotovina-F6"}},
    {"", "ThanksBtn", T, {"Thanks Message...", "Reklamna poruka..."}},
    {"", "NewPrGroupBox", T, {"New PLU Price", "Nova PLU cena"}},
    {"", "NewPLUPrBtn", T, {"New PLU Price...", "Nova PLU cena..."}},
    {"", "PLUCodeSls", T, {"PLU Code", "PLU kod"}},
    {"", "PriceSls", T, {"Price", "Cena"}},
    {"", "WritePr", T, {"Write", "Piši"}},
    {"", "SlsCloseBtn", T, {"Close", "Zatvori"}},
};

constexpr ControlCaption Daily[] = {
    {"", "DailySheet", T, {"Reports", "Izvestaji"}},
    {"", "DailyStatus", T, {"Orvex Reports", "Orvex Izveštaji"}},
    {"", "GetVAT", T, {"Sales/VAT", "Prodaja/PDV"}},
    {"", "GetDept", T, {"Sales/Dept", "Prodaja/odeljenja"}},
    {"", "DailyStatistics", T, {"Daily Status", "Dnevni status"}},
    {"", "DailyPLUSales", T, {"Daily PLU Sales", "Dnevna PLU prodaja"}},
    {"", "DailyOperators", T, {"Oper. Statistics", "Statistika blagajnika"}},
    {"", "ZReportLabel", T, {"Z Report", "Z izveštaj"}},
    {"", "DoZ", T, {"Do", "Uradi"}},
    {"", "GetZ", T, {"Get Previous Z", "Predhodni Z"}},
    {"", "ClearRich", T, {"Clear", "Briši"}},
    {"", "CloseRepsSheetBtn", T, {"Close", "Zatvori"}},
};

constexpr ControlCaption Plu[] = {
    {"", "ProgSheet", T, {"PLUs", "PLU"}},
    {"", "PPLUCode", T, {"PLU Code", "PLU kod"}},
    {"", "PDepartment", T, {"Department", "Odeljenje"}},
    {"", "PPrice", T, {"Price", "Cena"}},
    {"", "CostLabel", T, {"Net Price", "Ulazna cena"}},
    {"", "PDescription", T, {"Description", "Opis"}},
    {"", "PDescription2", T, {"Description2", "Opis 2"}},
    {"", "BarcodeLabel", T, {"Barcode", "Barkod"}},
    {"", "Active", T, {"Active", "Aktivno"}},
    {"", "Inactive", T, {"Inactive", "Neaktivno"}},
    {"", "QuantityLabel", T, {"Quantity", "Količina"}},
    {"", "TotalPriceLabel", T, {"Total Price", "Ukupna cena"}},
    {"", "ProgStock", T, {"Programmed", "Programirano"}},
    {"", "UnProgStock", T, {"Not Programmed", "Neprogramirano"}},
    {"", "PutPLU", T, {"Write on PC (F7)", "Upiši u PC (F7)"}},
    {"", "WriteOnECR", T, {"Write on ECR and PC (F8)", "Upiši u kasu i PC (F8)"}},
    {"", "ReadOneBtn", T, {"Read from ECR (F9)", "Čitaj iz kase (F9)"}},
    {"", "ReadAll", T, {"Read all from ECR", "Čitaj sve iz kase"}},
    {"", "CancelRead", T, {"Cancel", "Poništi"}},
    {"", "SerialProgStart", T, {"Write all to ECR", "Piši sve u kasu"}},
    {"", "PLUReport", T, {"PLU Report", "PLU izveštaj"}},
    {"", "SerialProgStop", T, {"Cancel", "Poništi"}},
    {"", "ClosePLUSheet", T, {"Close", "Zatvori"}},
    {"", "PLUWriteGBox", T, {"Write", "Piši"}},
    {"", "StockOnly", T, {"Stock only", "Samo na stanju"}},
    {"", "ConstantFields", T, {"Constant fields only", "Samo konstantna polja"}},
    {"", "AllPLUData", T, {"Both constant fields and stock", "Konstantna polja i stanje"}},
    {"", "ReadWriteGBox", T, {"Read-Write", "Čitaj-Piši"}},
    {"", "WRActive", T, {"Active", "Aktivno"}},
    {"", "WRAll", T, {"All", "Svi"}},
    {"", "FromM", T, {"From:", "Od:"}},
    {"", "ToM", T, {"To:", "Do:"}},
    {"", "Flags2", T, {"Unit", "Jedinica"}},
    {"", "StockLbl", T, {"Stock", "Stanje"}},
    {"", "StockStatLbl", T, {"Stock status", "Status stanje"}},
};

constexpr ControlCaption Header[] = {
    {"", "CompanySheet", T, {"Header", "Zaglavlje"}},
    {"", "Lines", T, {"Header Lines", "Linije zaglavlja"}},
    {"", "LLine1", T, {"Line", "Linija"}},
    {"", "LLine2", T, {"Line", "Linija"}},
    {"", "LLine3", T, {"Line", "Linija"}},
    {"", "LLine4", T, {"Line", "Linija"}},
    {"", "LLine5", T, {"Line", "Linija"}},
    {"", "LLine6", T, {"Line", "Linija"}},
    {"", "LLine7", T, {"Line", "Linija"}},
    {"", "LLine8", T, {"Line", "Linija"}},
    {"", "DoubleHeightLbl", T, {"Double Height", "Dupla visina"}},
    {"", "DoubleWidthLbl", T, {"Double Width", "Dupla širina"}},
    {"", "CenterLbl", T, {"Center", "Centar"}},
    {"", "ClearHeaderLines", T, {"Clear Lines", "Briši linije"}},
    {"", "CloseHdrSheet", T, {"Close", "Zatvori"}},
    {"", "DescRead", T, {"Read", "Čitaj"}},
    {"", "DescCommit", T, {"Write", "Piši"}},
};

constexpr ControlCaption PluStat[] = {
    {"TPLUStat", "", Title, {"PLU Statistics", "PLU Statistika"}},
    {"TPLUStat", "From", T, {"From:", "Od:"}},
    {"TPLUStat", "To", T, {"To (Optional):", "Do (opciono):"}},
    {"TPLUStat", "StatCancel", T, {"Cancel", "Poništi"}},
};

constexpr ControlCaption Oper[] = {
    {"TOperForm", "", Title, {"Operator Statistics", "Statistika blagajnika"}},
    {"TOperForm", "Operator", T, {"Operator:", "Blagajnik"}},
    {"TOperForm", "OperGroup", T, {"Operators", "Blagajnici"}},
    {"TOperForm", "OperCancel", T, {"Cancel", "Poništi"}},
};

constexpr ControlCaption DataForm[] = {
    {"TDataForm", "", Title, {"PLU Data Form", "Format podataka PLU"}},
    {"TDataForm", "DataCode", T, {"PLU Code", "PLU kod"}},
    {"TDataForm", "DescrLabel", T, {"Description", "Opis"}},
    {"TDataForm", "GoToPLU", T, {"Go", "Idi"}},
    {"TDataForm", "DataClose", T, {"Close", "Zatvori"}},
    {"TPLUPrintForm", "ClosePrevBtn", T, {"Close", "Zatvori"}},
    {"TDataForm", "ModPLULabel", T, {"PLU settings", "Setovanje"}},
    {"TDataForm", "ModPLULabel2", T, {"", "PLU baze"}},
    {"TDataForm", "FromLabel", T, {"From:", "Od:"}},
    {"TDataForm", "ToLabel", T, {"To:", "Do:"}},
    {"TDataForm", "MWRActive", T, {"Active", "Aktivno"}},
    {"TDataForm", "MWRAll", T, {"All", "Svi"}},
    {"TDataForm", "FieldLabel", T, {"Field", "Polje"}},
    {"TDataForm", "ValueLabel", T, {"Value", "Vrednost"}},
    {"TDataForm", "ShowSets", T, {"Show PLU settings", "Prikaži setovanje PLU baze"}},
    {"TDataForm", "FindPLUs", T, {"Search...", "Pronadi..."}},
    {"TDataForm", "MnDefault", T, {"Default", "Po definiciji"}},
    {"TDataForm", "MnCyrilic", T, {"Cyrillic", "Cirilica"}},
    {"TDataForm", "MnLatin", T, {"Latin", "Latin"}},
    {"TDataForm", "SearchDescr", T, {"Description", "Opis"}},
};

constexpr ControlCaption DLForm[] = {
    {"TDLForm", "", Title, {"Status Form", "Status"}},
    {"TDLForm", "DLStatusLabel", T, {"Reading ...", "Čitanje ..."}},
    {"TDLForm", "CancelOK", T, {"Cancel", "Brisi"}},
    {"TDLForm", "PLUsRead", T, {"PLUs  Read :", "Čitanje PLU:"}},
};

constexpr ControlCaption Thanks[] = {
    {"TMessageForm", "", Title, {"Thanks Message", "Reklamna poruka"}},
    {"TMessageForm", "Write9Line", T, {"Write", "Piši"}},
    {"TMessageForm", "CloseSheets", T, {"Close", "Zatvori"}},
    {"TMessageForm", "LLine9", T, {"Line", "Linija"}},
    {"TMessageForm", "Center9", T, {"Center", "Centar"}},
    {"TMessageForm", "MsgLabel", T, {"Message", "Poruka"}},
    {"", "MnThanksMsg", T, {"Thanks Message", "Reklamna poruka"}},
};

constexpr ControlCaption Toolbar[] = {
    {"", "View", Tip, {"File View", "Pregledaj datoteku"}},
    {"", "Save", Tip, {"Save File", "Sacuvaj datoteku"}},
    {"", "Print", Tip, {"Print File", "Stampaj datoteku"}},
    {"", "Connect", Tip, {"Connect", "Povezati"}},
    {"", "Disconnect", Tip, {"Disconnect", "Raskinuti"}},
    {"", "ShowDB", Tip, {"Show PLU DataBase", "Prikaci PLU bazu"}},
    {"", "GetTime", Tip, {"Get CR Time\nProgram", "Vreme u kasi\nProgram"}},
    {"", "PLUPrint", Tip, {"Print PLU DataBase", "Stampaj PLU bazu"}},
    {"", "HistoryTool", Tip, {"Sales History", "Istorija prodaje"}},
};

constexpr ControlCaption Hints[] = {
    {"", "MonitorSheet", T, {"Sales Monitor - (REG.)", "Evidencija prodaje - (REG.)"}},
    {"", "SalesSheet", T, {"Fiscal printer mode - (P.140, REG)", "Režim fiskalnog printera - (P.140, REG)"}},
    {"",
     "DailySheet",
     T,
     {"Daily Statistics Reports - (X.200, OFF)", "Dnevni statistički izveštaji - (X.200, OFF)"}},
    {"", "ProgSheet", T, {"PLU Programming - (P.148, OFF)", "Programiranje PLU baze - (P.148, OFF)"}},
    {"", "CompanySheet", T, {"Header Programming - (P.147)", "Programiranje zaglavlja - (P.147)"}},
    {"", "ViewerSheet", T, {"File reading monitor", "Evidencija datoteke"}},
};

constexpr ControlCaption PrintForm[] = {
    {"TPLUPrintForm", "", Title, {"PLUs Printing Form", "Stampanje PLU baze"}},
    {"TPLUPrintForm", "Fields", T, {"Fields to print", "Polja koja se stampaju"}},
    {"TPLUPrintForm", "PLUCode", T, {"Code", "Kod"}},
    {"TPLUPrintForm", "PLUDesc", T, {"Description", "Opis"}},
    {"TPLUPrintForm", "Description2", T, {"Description 2", "Opis 2"}},
    {"TPLUPrintForm", "PLUPrice", T, {"Price", "Cena"}},
    {"TPLUPrintForm", "PLUCost", T, {"Net Price", "Ulazna cena"}},
    {"TPLUPrintForm", "PLUDept", T, {"Department", "Odeljenje"}},
    {"TPLUPrintForm", "PLUWP", T, {"Meas. Unit", "Jedinica mere"}},
    {"TPLUPrintForm", "PLUFF", T, {"Free / Fixed Price", "Slobodna / fiksna cena"}},
    {"TPLUPrintForm", "PLUA", T, {"Active / Inactive", "Aktivno / Neaktivno"}},
    {"TPLUPrintForm", "PLUPr", T, {"Progr. / UnProg. Stock", "Progr. / Neprog. stanje"}},
    {"TPLUPrintForm", "PLUQuantity", T, {"Quantity", "Količina"}},
    {"TPLUPrintForm", "PLUTotal", T, {"Total", "Ukupno"}},
    {"TPLUPrintForm", "PLUStock", T, {"Stock", "Stanje"}},
    {"TPLUPrintForm", "FontSizeLabel", T, {"Font Size", "Veličina fonta"}},
    {"TPLUPrintForm", "PrintCancel", T, {"Cancel", "Poništi"}},
    {"TPLUPrintForm", "ChoiceNext", T, {"Next  >", "Sledeći >"}},
    {"TPLUPrintForm", "Preview", T, {"Preview...", "Pregled..."}},
    {"TPLUPrintForm", "ClosePrevBtn", T, {"Close", "Zatvori"}},
    {"TPLUPrintForm", "PLUsChoiceBox", T, {"PLUs Choice", "Izbor PLU"}},
    {"TPLUPrintForm", "FromTo", T, {"From  --> To   -- (Active)", "Od --> do -- (aktivno)"}},
    {"TPLUPrintForm", "AllActive", T, {"All active PLUs", "Svi aktivni PLU"}},
    {"TPLUPrintForm", "FromToAll", T, {"From  --> To   -- (All)", "Od --> Do --(svi)"}},
    {"TPLUPrintForm", "All", T, {"All  PLUs", "Svi PLU"}},
    {"TPLUPrintForm", "FromLabel", T, {"From:", "Od:"}},
    {"TPLUPrintForm", "ToLabel", T, {"To:", "Do:"}},
    {"TPLUPrintForm", "PrintTypeBox", T, {"Printing Type", "Tip štampanja"}},
    {"TPLUPrintForm", "Matrix", T, {"Matrix", "Matrično"}},
    {"TPLUPrintForm", "Horizontal", T, {"Horizontal", "Horizontalno"}},
    {"TPLUPrintForm", "Back", T, {"<  Back", "<  Nazad"}},
    {"TPLUPrintForm", "CancelFinal", T, {"Cancel", "Poništi"}},
    {"TPLUPrintForm", "FinalNext", T, {"Next  >", "Sledeći >"}},
    {"TRepStatusForm", "", Title, {"Report Creation Status", "Status kreiranja izveštaja"}},
    {"TRepStatusForm", "Creating", T, {"Creating Report...", "Kreiranje izveštaja"}},
    {"TRepStatusForm", "CancelButton", T, {"Cancel", "Poništi"}},
};

constexpr ControlCaption Popup[] = {
    {"", "PopSalesMonitor", T, {"Sales Monitor", "Evidencija prodaje"}},
    {"", "PopFiscalPrinter", T, {"Fiscal Printer", "Fiskalni printer"}},
    {"", "PopReports", T, {"Reports", "Izvestaji"}},
    {"", "PopPLUs", T, {"PLUs", "PLU"}},
    {"", "PopHeader", T, {"Header", "Zaglavlje"}},
    {"", "PopFileViewer", T, {"File Viewer", "Pregled datoteka"}},
};

constexpr std::array<const char*, 8> UnitsEn{"item",  "gram",  "kg",           "ton",
                                             "litre", "meter", "square meter", "cubic meter"};
constexpr std::array<const char*, 8> UnitsSr{
    "kom", "gram", "kg", "tona", "litar", "metar", "kvadratni metar", "kubni metar"};
constexpr std::array<const char*, 7> FieldsEn{"Department", "Deactivate", "Price",      "Net Price",
                                              "Unit",       "Stock",      "Initiallize"};
constexpr std::array<const char*, 7> FieldsSr{"Odeljenje", "Deaktivacija", "Cena",           "Ulazna cena",
                                              "Jedinica",  "Stanje",       "Inicijalizacija"};

template <size_t N> QStringList ToList(const std::array<const char*, N>& texts) {
    QStringList list;
    for (const char* t : texts)
        list << QString::fromUtf8(t);
    return list;
}

} // namespace

namespace Captions {

std::span<const ControlCaption> MenuCaptions() {
    return Menu;
}
std::span<const ControlCaption> MonitorCaptions() {
    return Monitor;
}
std::span<const ControlCaption> ViewerCaptions() {
    return Viewer;
}
std::span<const ControlCaption> SalesCaptions() {
    return Sales;
}
std::span<const ControlCaption> DailyCaptions() {
    return Daily;
}
std::span<const ControlCaption> PluCaptions() {
    return Plu;
}
std::span<const ControlCaption> HeaderCaptions() {
    return Header;
}
std::span<const ControlCaption> PluStatCaptions() {
    return PluStat;
}
std::span<const ControlCaption> OperCaptions() {
    return Oper;
}
std::span<const ControlCaption> DataFormCaptions() {
    return DataForm;
}
std::span<const ControlCaption> DLFormCaptions() {
    return DLForm;
}
std::span<const ControlCaption> ThanksCaptions() {
    return Thanks;
}
std::span<const ControlCaption> ToolbarHints() {
    return Toolbar;
}
std::span<const ControlCaption> PageHints() {
    return Hints;
}
std::span<const ControlCaption> PrintFormCaptions() {
    return PrintForm;
}
std::span<const ControlCaption> PopupCaptions() {
    return Popup;
}

QStringList UnitNames(int lang) {
    return ToList(lang == ShellSettings::English ? UnitsEn : UnitsSr);
}

QStringList PluSettingsFields(int lang) {
    return ToList(lang == ShellSettings::English ? FieldsEn : FieldsSr);
}

} // namespace Captions
