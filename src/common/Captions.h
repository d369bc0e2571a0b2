#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <span>

// Every text that changes with the interface language: a pair of texts, index 0
// English and index 1 Serbian, both UTF-8. The same English text occurs in many
// captions, each with its own Serbian text.
struct Caption {
    const char* En;
    const char* Sr;

    [[nodiscard]] QString Text(int lang) const;
    // At the current UiLanguage, read afresh on every call.
    [[nodiscard]] QString Text() const;
};

// A caption with a second Serbian form in the register's character set, for
// views that draw register codes with the OrvexChars font. The register form
// is given as register codes; as text it is those codes as Latin-1 code points,
// the way such a view shows register texts as received.
struct TwinCaption {
    Caption Plain;
    const char* SrRegister;

    [[nodiscard]] QString Text(int lang, bool registerFont) const;
    [[nodiscard]] QString Text(bool registerFont) const;
    [[nodiscard]] QByteArray RegisterBytes() const { return QByteArray(SrRegister); }
};

// What of a control a caption sets.
enum class CaptionTarget {
    Text,    // caption of a button, label, group box, menu item, page
    ToolTip, // hint
    Title,   // window title of a form (Control empty)
};

// One row of a view's caption table. Form is the object name of the window the
// control lives on (empty: the main window).
struct ControlCaption {
    const char* Form;
    const char* Control;
    CaptionTarget Target;
    Caption Text;
};

namespace Captions {

// The per-view tables, in the order ApplyLanguage applies them.
[[nodiscard]] std::span<const ControlCaption> MenuCaptions();
[[nodiscard]] std::span<const ControlCaption> MonitorCaptions();
[[nodiscard]] std::span<const ControlCaption> ViewerCaptions();
[[nodiscard]] std::span<const ControlCaption> SalesCaptions();
[[nodiscard]] std::span<const ControlCaption> DailyCaptions();
[[nodiscard]] std::span<const ControlCaption> PluCaptions();
[[nodiscard]] std::span<const ControlCaption> HeaderCaptions();
[[nodiscard]] std::span<const ControlCaption> PluStatCaptions();
[[nodiscard]] std::span<const ControlCaption> OperCaptions();
[[nodiscard]] std::span<const ControlCaption> DataFormCaptions();
[[nodiscard]] std::span<const ControlCaption> DLFormCaptions();
[[nodiscard]] std::span<const ControlCaption> ThanksCaptions();
[[nodiscard]] std::span<const ControlCaption> ToolbarHints();
// Control = the page's object name; only the shown page's row is applied.
[[nodiscard]] std::span<const ControlCaption> PageHints();
[[nodiscard]] std::span<const ControlCaption> PrintFormCaptions();
[[nodiscard]] std::span<const ControlCaption> PopupCaptions();

// Connect1 follows the port: the first while closed, the second while open.
inline constexpr Caption Connect{"Connect", "Povezati"};
inline constexpr Caption Disconnect{"Disconnect", "Raskinuti"};
// The start page's hint.
inline constexpr Caption StartHint{"Orvex Commander", "Orvex Commander"};

// Units of measure by unit code, and the PLU settings fields, of a language.
[[nodiscard]] QStringList UnitNames(int lang);
[[nodiscard]] QStringList PluSettingsFields(int lang);

// Shared by both languages.
inline constexpr const char* SeparatorLine = "________________________________________________";

// Captions picked at display time, by the area that uses them.

namespace Clock {
inline constexpr Caption Time{"Time", "Vreme"};
inline constexpr Caption Date{"Date", "Datum"};
} // namespace Clock

namespace Link {
inline constexpr Caption NoResponse{"There is no Orvex response", "Nema odgovora od Orvex"};
inline constexpr Caption Warning{"Warning", "Upozorenje"};
} // namespace Link

namespace Journal {
inline constexpr Caption Command{"Command", "Komanda"};
inline constexpr Caption OperatorNumber{"Operator Number", "Broj blagajnika"};
inline constexpr TwinCaption ReceiptNumber{{"Receipt Number", "Broj računa"},
                                           "\x81\x93\x91\x8A\x20\x93\x80\x9B\x97\x8F\x80"};
inline constexpr Caption Department{"Department", "Odeljenje"};
inline constexpr TwinCaption Quantity{{"Quantity", "Količina"}, "\x8B\x91\x8C\x89\x9B\x89\x8F\x80"};
inline constexpr Caption Description{"Description", "Opis"};
inline constexpr Caption Price{"Price", "Cena"};
inline constexpr Caption Total{"Total", "Ukupno"};
inline constexpr Caption Amount{"Amount", "Iznos"};
inline constexpr Caption Percentage{"Percentage", "Procenat"};
inline constexpr Caption Pieces{"Pieces", "Komada"};
inline constexpr Caption CRNumber{"CR Number", "Broj kase"};
inline constexpr Caption Time{"Time", "Vreme"};
inline constexpr Caption Date{"Date", "Datum"};
inline constexpr TwinCaption OpenReceipt{{"# OPEN RECEIPT", "# OTVOREN RAČUN"},
                                         "\x23\x20\x91\x95\x82\x91\x93\x86\x8F\x20\x93\x80\x9B\x97\x8F"};
inline constexpr Caption DeptSale{"# DEPT SALE", "# PRODAJA PO ODELJENJU"};
inline constexpr Caption PluSale{"# PLU SALE", "# PLU PRODAJA"};
inline constexpr Caption AmountIncrement{"# AMOUNT INCREMENT ", "# POVEĆANJE IZNOSA "};
inline constexpr Caption AmountDecrement{"# AMOUNT DECREMENT ", "# SMANJENJE IZNOSA "};
inline constexpr Caption PercentIncrement{"# % INCREMENT ", "# POVEĆANJE U % "};
inline constexpr Caption PercentDecrement{"# % DECREMENT ", "# SMANJENJE U % "};
inline constexpr Caption AmountSubtotalIncrement{"# AMOUNT SUBTOTAL INCREMENT ",
                                                 "# POVEĆANJE IZNOSA MEĐUZBIRA "};
inline constexpr Caption AmountSubtotalDecrement{"# AMOUNT SUBTOTAL DECREMENT ",
                                                 "# SMANJENJE IZNOSA MEĐUZBIRA "};
inline constexpr Caption PercentSubtotalIncrement{"# % SUBTOTAL INCREMENT ", "# POVEĆANJE MEĐUZBIRA U % "};
inline constexpr Caption PercentSubtotalDecrement{"# % SUBTOTAL DECREMENT ", "# SMANJENJE MEĐUZBIRA U % "};
inline constexpr Caption Correction{"# CORRECTION ", "# KOREKCIJA "};
inline constexpr Caption Subtotal{"# SUBTOTAL ", "# MEĐUZBIR "};
inline constexpr TwinCaption PaymentReceiptClose{
    {"# PAYMENT/RECEIPT CLOSE ", "# PLAĆANJE/ZATVARANJE RAČUNA "},
    "\x23\x20\x92\x8C\x80\x96\x80\x90\x86\x2F\x88\x80\x95\x82\x80\x93\x80\x90\x86\x20\x93\x80\x9B\x97\x8F\x80"
    "\x20"};
inline constexpr Caption Normal{"(NORMAL)", "(NORMALNO)"};
inline constexpr Caption Return{"(RETURN)", "(POVRAĆAJ)"};
inline constexpr Caption CorrectionKind{"(CORRECTION)", "(KOREKCIJA)"};
inline constexpr Caption ExternalSale{"# EXTERNAL SALE ", "# EKSTERNA PRODAJA "};
inline constexpr Caption PluCode{"PLU Code", "PLU kod"};
inline constexpr Caption Tickets{"Tickets", "Bonovi"};
inline constexpr Caption TicketDiscount{"# TICKET DISCOUNT", "# POPUST NA BON"};
inline constexpr Caption MeasUnit{"Meas. Unit", "Jedinica mere"};
inline constexpr Caption ExternalPluByNumber{"External PLU Sale with PLU number:",
                                             "Eksterna PLU prodaja sa PLU brojem:"};
inline constexpr Caption ExternalPluByBarcode{"External PLU Sale with barcode:",
                                              "Eksterna PLU prodaja sa barkodom:"};
} // namespace Journal

namespace Status {
inline constexpr Caption E30{"E30-The department or the PLU is not activated",
                             "E30-Odeljenje ili PLU nije aktiviran"};
inline constexpr Caption E31{"E31-Negative result is not allowed", "E31-Negativan rezultat nije dozvoljen"};
inline constexpr Caption E32{"E32-PLU code not accepted", "E32-PLU kod nije prihvaćen"};
inline constexpr Caption E34{"E34-The department or PLU is not programmed",
                             "E34-Odeljenje ili PLU nije programiran"};
inline constexpr Caption E38{"E38-The entry of a value is obligatory", "E38-Unos vrednosti je obavezan"};
inline constexpr Caption E39{"E39-The zero value is not allowed", "E39-Nulta vrednost nije dozvoljena"};
inline constexpr Caption E42{"E42-The operation is not allowed", "E42-Operacija nije dozvoljena"};
inline constexpr Caption E43{"E43-Value out of range", "E43-Vrednost je van opsega"};
inline constexpr Caption E44{"E44-The department or PLU is not activated",
                             "E44-Odeljenje ili PLU nije aktiviran"};
inline constexpr Caption E45{"E45-Decadic value not accepted", "E45-Decimalna vrednost nije prihvaćena"};
inline constexpr Caption E46{"E46-The sum exceeds the receipt limit", "E46-Iznos prelazi granicu računa"};
inline constexpr Caption E48{"E48-The issue of change is not possible", "E48-Vraćanje kusura nije moguće"};
inline constexpr Caption E50{"E50-Unit error", "E50-Greška jedinice"};
inline constexpr Caption InsideReceipt{"Inside receipt", "Unutar računa"};
inline constexpr Caption OutsideReceipt{"Outside receipt", "Van računa"};
inline constexpr Caption Payment{"Payment", "Plaćanje"};
} // namespace Status

namespace Transfer {
inline constexpr Caption Reading{"Reading ...", "Čitanje ..."};
inline constexpr Caption Cancel{"Cancel", "Brisi"};
inline constexpr Caption NoResponse = Link::NoResponse;
inline constexpr Caption Warning = Link::Warning;
// The PLU page's status panel during a range transfer: done, of, time left.
inline constexpr Caption Progress{"%1 of %2", "%1 od %2"};
inline constexpr Caption TimeLeft{"%1 left", "preostalo %1"};
inline constexpr Caption ConnectionLost{
    "The connection to the register was lost at PLU %1.\nThe PLUs transferred before it are kept.",
    "Veza sa kasom je prekinuta kod PLU %1.\nPLU preneti pre njega su sačuvani."};
inline constexpr Caption StoppedByDisconnect{
    "The transfer was stopped by the disconnect at PLU %1.\nThe PLUs transferred before it are kept.",
    "Prenos je zaustavljen raskidanjem veze kod PLU %1.\nPLU preneti pre njega su sačuvani."};
// The status panel after a range transfer that ended early, and the close
// query during one: where it stood, and how many PLUs went across.
inline constexpr Caption StoppedAt{"Stopped at PLU %1: %2 PLUs transferred.",
                                   "Zaustavljeno kod PLU %1: preneto PLU: %2."};
inline constexpr Caption Unfinished{"The PLU transfer is not finished: it is at PLU %1, %2 PLUs transferred.",
                                    "Prenos PLU nije završen: stigao je do PLU %1, preneto PLU: %2."};
} // namespace Transfer

namespace Reports {
inline constexpr Caption Department{"Department", "Odeljenje"};
inline constexpr Caption Total{"Total", "Ukupno"};
inline constexpr Caption CRNumber{"CR Number", "Broj kase"};
inline constexpr Caption Time{"Time", "Vreme"};
inline constexpr Caption Date{"Date", "Datum"};
inline constexpr Caption LastZReport{"Last Z Report", "Poslednji Z izveštaj"};
inline constexpr Caption Sales{"Sales", "Prodaja"};
inline constexpr Caption DailySalesPerTax{"------   Daily Sales per TAX   ------",
                                          "------   Dnevna prodaja po porezu   ------"};
inline constexpr Caption DailySalesPerDepartment{"------   Daily Sales per Department   ------",
                                                 "------   Dnevna prodaja po odeljenjima   ------"};
inline constexpr Caption DailyStatusChanges{"------   Daily Status Changes   ------",
                                            "------   Dnevne promene statusa   ------"};
inline constexpr Caption DailyOperatorStatistics{"------   Daily Operator Statistics   ------",
                                                 "------   Dnevna statistika blagajnika   ------"};
inline constexpr Caption VatChanges{"VAT Changes", "Promene PDV"};
inline constexpr Caption NumberOfResets{"Number of Resets", "Broj resetovanja"};
inline constexpr Caption HeaderChanges{"Header Changes", "Promene zaglavlja"};
inline constexpr TwinCaption TotalReceipts{{"Total Receipts", "Ukupno računa"},
                                           "\x97\x8B\x97\x92\x8F\x91\x20\x93\x80\x9B\x97\x8F\x80"};
inline constexpr Caption Correction{"Correction", "Korekcija"};
inline constexpr Caption FiscalId{"Fiscal ID", "Fiskalni broj"};
inline constexpr Caption DepartmentAssociation{"Department Association", "Pridruživanje odeljenja"};
inline constexpr TwinCaption OperatorPassword{
    {"Operator Password", "Lozinka blagajnika"},
    "\x8C\x91\x88\x89\x8F\x8B\x80\x20\x81\x8C\x80\x83\x80\x8A\x8F\x89\x8B\x80"};
inline constexpr Caption Cash{"Cash", "Gotovina"};
inline constexpr TwinCaption Cheque{{"Cheque", "Ček"}, "\x9B\x86\x8B"};
inline constexpr Caption Card{"Card", "Kartica"};
inline constexpr Caption Drawer{"Drawer", "Fioka"};
inline constexpr Caption Corrections{"Corrections", "Korekcije"};
inline constexpr TwinCaption PayIn{{"Pay In", "Uplata"}, "\x97\x92\x8C\x80\x95\x80"};
inline constexpr TwinCaption PayOut{{"Pay Out", "Isplata"}, "\x89\x94\x92\x8C\x80\x95\x80"};
inline constexpr TwinCaption ChequeAmount{{"Cheque Amount", "Iznos čekova"},
                                          "\x89\x88\x8F\x91\x94\x20\x9B\x86\x8B\x91\x82\x80"};
inline constexpr TwinCaption Cheques{{"Cheques", "Čekovi"}, "\x9B\x86\x8B\x91\x82\x89"};
inline constexpr Caption CashAmount{"Cash Amount", "Iznos gotovine"};
inline constexpr Caption Cashes{"Cashes", "Gotovinska plaćanja"};
inline constexpr Caption CardAmount{"Card Amount", "Iznos kartica"};
inline constexpr Caption Cards{"Cards", "Kartice"};
inline constexpr Caption NonProgrammed{"Non programmed", "Neprogramirano"};
inline constexpr Caption ProgrSum{"PROGR. SUM", "PROGR. ZBIR"};
inline constexpr Caption Tax{"Tax", "Porez"};
inline constexpr TwinCaption Receipts{{"Receipts", "Računi"}, "\x93\x80\x9B\x97\x8F\x89"};
inline constexpr Caption ResetType{"Reset Type", "Vrsta resetovanja"};
inline constexpr Caption ResetDate{"Reset Date :", "Datum resetovanja :"};
// A reply shorter than its layout: the report's letter, bytes received, bytes expected.
inline constexpr Caption ShortReport{"Short report '%1' received: %2 of %3 bytes, not shown",
                                     "Primljen je kratak izveštaj '%1': %2 od %3 bajtova, nije prikazan"};
// The Z report's state beside its Do button.
inline constexpr Caption ZRunning{"Z report running ...", "Z izveštaj u toku ..."};
inline constexpr Caption ZDone{"Z report done", "Z izveštaj je urađen"};
} // namespace Reports

namespace PluStatistics {
inline constexpr TwinCaption Quantity = Journal::Quantity;
inline constexpr Caption DailyPluSales{"------   Daily PLU Sales   ------",
                                       "------   Dnevna PLU prodaja   ------"};
inline constexpr Caption Stock{"Stock", "Stanje"};
inline constexpr Caption PluCode{"PLU Code", "PLU kod"};
inline constexpr Caption Price{"Price", "Cena"};
inline constexpr Caption Description{"Description", "Opis"};
inline constexpr Caption Total{"Total", "Ukupno"};
// The end of a series: the PLUs the register did not answer.
inline constexpr Caption Unanswered{"No answer from the register for PLU:", "Kasa nije odgovorila za PLU:"};
} // namespace PluStatistics

namespace Database {
inline constexpr Caption Description2{"Description 2", "Opis 2"};
inline constexpr Caption Description{"Description", "Opis"};
inline constexpr Caption Price{"Price", "Cena"};
inline constexpr Caption Unit{"Unit", "Jedinica"};
inline constexpr Caption InActive{"(InActive) ", "(Neaktivno)"};
inline constexpr Caption Active{"(Active)   ", "(Aktivno)  "};
inline constexpr Caption NonProg{"(NonProg)", "(Neprog.)"};
inline constexpr Caption Prog{"(Prog.)", "(Prog.)"};
inline constexpr Caption Stock{"Stock", "Stanje"};
inline constexpr Caption Code{"Code", "Kod"};
inline constexpr Caption Status{"Status", "Status"};
inline constexpr Caption Dept{"Dept", "Odeljenje"};
inline constexpr Caption NetPrice{"Net Price", "Ulazna cena"};
inline constexpr Caption ShowPluSettings{"Show PLU settings", "Prikaži setovanje PLU baze"};
inline constexpr Caption HidePluSettings{"Hide PLU settings", "Sakrij setovanje PLU baze"};
inline constexpr Caption Search{"Search...", "Pronađi..."};
inline constexpr Caption HideSearch{"Hide search", "Sakrij pretragu"};
} // namespace Database

namespace Printing {
inline constexpr Caption Fixed{"(Fixed)", "(Fiksna)"};
inline constexpr Caption Free{"(Free)", "(Slobodna)"};
inline constexpr Caption InActive = Database::InActive;
inline constexpr Caption Active = Database::Active;
inline constexpr Caption NonProg = Database::NonProg;
inline constexpr Caption Prog = Database::Prog;
// Field labels of the horizontal listing, padded to one width.
inline constexpr Caption CodeLabel{"Code        :", "Kod         :"};
inline constexpr Caption DescriptionLabel{"Description :", "Opis        :"};
inline constexpr Caption Description2Label{"Description2:", "Opis 2      :"};
inline constexpr Caption PriceLabel{"Price       :", "Cena        :"};
inline constexpr Caption NetPriceLabel{"Net Price   :", "Ulazna cena :"};
inline constexpr Caption DepartmentLabel{"Department  :", "Odeljenje   :"};
inline constexpr Caption UnitLabel{"Wgt/Pcs     :", "Tež/Kom     :"};
inline constexpr Caption StatusLabel{"Status      :", "Status      :"};
inline constexpr Caption StockStatusLabel{"Stock (Sts) :", "Stanje (St) :"};
inline constexpr Caption BarcodeLabel{"Barcode     :", "Barkod      :"};
inline constexpr Caption StockLabel{"Stock       :", "Stanje      :"};
inline constexpr Caption QuantityLabel{"Quantity    :", "Količina    :"};
inline constexpr Caption TotalLabel{"Total       :", "Ukupno      :"};
inline constexpr Caption FreeFixedLabel{"Free/Fixed  :", "Slob/Fiksna :"};
// Column titles of the matrix listing, padded to their column widths.
inline constexpr Caption CodeTitle{"COD.  ", "KOD   "};
inline constexpr Caption DescriptionTitle{"DESCRIPTION   ", "OPIS          "};
inline constexpr Caption Description2Title{"DESCRIPTION 2                       ",
                                           "OPIS 2                              "};
inline constexpr Caption PriceTitle{"PRICE       ", "CENA        "};
inline constexpr TwinCaption CostTitle{{"COST        ", "UL. CENA    "},
                                       "\x97\x8C\x2E\x20\x9A\x86\x8F\x80\x20\x20\x20\x20"};
inline constexpr Caption DeptTitle{"DEPT  ", "ODEL. "};
inline constexpr Caption UnitTitle{"UNIT             ", "JEDINICA         "};
inline constexpr Caption StatusTitle{"STATUS       ", "STATUS       "};
inline constexpr Caption StockStatusTitle{"STOCK      ", "STANJE     "};
inline constexpr Caption BarcodeTitle{"BARCODE              ", "BARKOD               "};
inline constexpr Caption StockTitle{"STOCK       ", "STANJE      "};
inline constexpr Caption QuantityTitle{"QUANTITY    ", "KOLIČINA    "};
inline constexpr Caption TotalTitle{"TOTAL       ", "UKUPNO      "};
inline constexpr Caption FreeFixedTitle{"FREE/FIXED ", "SLOB/FIKS. "};
} // namespace Printing

namespace Closing {
inline constexpr Caption UpdateDatabaseQuestion{
    "PLUs have been read from ECR.\nDo you want to update PLUs DataBase ?",
    "PLU su pročitani iz kase.\nDa li želite da ažurirate PLU bazu ?"};
inline constexpr Caption PluProgramWarning{"PLU Program Warning", "Upozorenje PLU programa"};
} // namespace Closing

namespace Help {
inline constexpr Caption CannotFindHelpFile{"Cannot find help file", "Nema datoteke pomoc"};
} // namespace Help

} // namespace Captions
