#include "e3/dates/DateTexts.h"

#include <QLocale>
#include <QString>

#include <algorithm>
#include <array>
#include <cstdio>

namespace e3 {

namespace {

using Months = std::array<const char*, 12>;
using Days = std::array<const char*, 7>;
using Hints = std::array<const char*, 4>;

// Columns en, fr, de, es, pt, ru.
const std::array<Months, 6> shortMonths {{
    {"January", "February", "March", "April", "May", "June", "July", "August", "September", "October", "November",
     "December"},
    {"Janvier", "F\u00e9vrier", "Mars", "Avril", "Mai", "Juin", "Juillet", "Ao\u00fbt", "Septembre", "Octobre",
     "Novembre", "D\u00e9cembre"},
    {"Januar", "Februar", "M\u00e4rz", "April", "Mai", "Juni", "Juli", "August", "September", "Oktober", "November",
     "Dezember"},
    {"En", "Feb", "Mar", "Abr", "Mayo", "Jun", "Jul", "Ag", "Sep", "Oct", "Nov", "Dic"},
    {"Jan", "Fev", "Mar", "Abr", "Mai", "Jun", "Jul", "Ago", "Set", "Out", "Nov", "Dez"},
    {"\u042f\u043d\u0432\u0430\u0440\u044c", "\u0424\u0435\u0432\u0440\u0430\u043b\u044c", "\u041c\u0430\u0440\u0442",
     "\u0410\u043f\u0440\u0435\u043b\u044c", "\u041c\u0430\u0439", "\u0418\u044e\u043d\u044c",
     "\u0418\u044e\u043b\u044c", "\u0410\u0432\u0433\u0443\u0441\u0442",
     "\u0421\u0435\u043d\u0442\u044f\u0431\u0440\u044c", "\u041e\u043a\u0442\u044f\u0431\u0440\u044c",
     "\u041d\u043e\u044f\u0431\u0440\u044c", "\u0414\u0435\u043a\u0430\u0431\u0440\u044c"},
}};

const std::array<Months, 6> longMonths {{
    {"January", "February", "March", "April", "May", "June", "July", "August", "September", "October", "November",
     "December"},
    {"janvier", "f\u00e9vrier", "mars", "avril", "mai", "juin", "juillet", "ao\u00fbt", "septembre", "octobre",
     "novembre", "d\u00e9cembre"},
    {"Januar", "Februar", "M\u00e4rz", "April", "Mai", "Juni", "Juli", "August", "September", "Oktober", "November",
     "Dezember"},
    {"Enero", "Febrero", "Marzo", "Abril", "Mayo", "Junio", "Julio", "Agosto", "Septiembre", "Octubre", "Noviembre",
     "Diciembre"},
    {"Janeiro", "Fevereiro", "Mar\u00e7o", "Abril", "Maio", "Junho", "Julho", "Agosto", "Setembro", "Outubro",
     "Novembro", "Dezembro"},
    shortMonths[5],
}};

const std::array<Days, 6> dayNames {{
    {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"},
    {"Dim", "Lun", "Mar", "Mer", "Jeu", "Ven", "Sam"},
    {"So.", "Mo.", "Di.", "Mi.", "Do.", "Fr.", "Sa."},
    {"Dom", "Lun", "Mar", "Mier", "Jue", "Vier", "Sap"},
    {"Dom", "Seg", "Ter", "Qua", "Qui", "Sex", "Sab"},
    {"\u0412\u0441", "\u041f\u043d", "\u0412\u0442", "\u0421\u0440", "\u0427\u0442", "\u041f\u0442",
     "\u0421\u0431"},
}};

const std::array<Hints, 6> hints {{
    {"Previous Year", "Previous Month", "Next Month", "Next Year"},
    {"Pr\u00e9c\u00e9dent Ann\u00e9e", "Pr\u00e9c\u00e9dent Mois", "Suivant Mois", "Suivant Ann\u00e9e"},
    {"Vorhergehendes Jahr", "Vorhergehender Monat", "N\u00e4chster Monat", "N\u00e4chstes Jahr"},
    {"Precedente A\u00f1o", "Precedente Mes", "Siguiente Mes", "Siguiente A\u00f1o"},
    {"Ano Anterior", "M\u00eas Anterior", "Pr\u00f3ximo M\u00eas", "Pr\u00f3ximo Ano"},
    {"\u041f\u0440\u0435\u0434\u044b\u0434\u0443\u0449\u0438\u0439 \u0433\u043e\u0434",
     "\u041f\u0440\u0435\u0434\u044b\u0434\u0443\u0449\u0438\u0439 \u043c\u0435\u0441\u044f\u0446",
     "\u0421\u043b\u0435\u0434\u0443\u044e\u0449\u0438\u0439 \u043c\u0435\u0441\u044f\u0446",
     "\u0421\u043b\u0435\u0434\u0443\u044e\u0449\u0438\u0439 \u0433\u043e\u0434"},
}};

const std::array<const char*, 7> placeholders {
    "dd.mm.aaaa", "jj.mm.aaaa", "TT.MM.JJJJ", "dd.mm.aaaa", "dd.mm.aaaa", "\u0434\u0434.\u043c\u043c.\u0433\u0433\u0433\u0433",
    "dd.mm.aaaa"};

bool HasTable(TDateLanguages language)
{
    return language >= en && language <= ru;
}

bool IsDigits(std::string_view s)
{
    return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// An integer field as the edit reads it: an optional sign and digits.
std::optional<int> FieldValue(std::string_view s)
{
    bool negative = false;
    if (!s.empty() && (s.front() == '-' || s.front() == '+')) {
        negative = s.front() == '-';
        s.remove_prefix(1);
    }
    if (!IsDigits(s) || s.size() > 9)
        return std::nullopt;
    int value = 0;
    for (char c : s)
        value = value * 10 + (c - '0');
    return negative ? -value : value;
}

// A masked field: all digits, else 0.
int MaskedFieldValue(std::string_view s)
{
    return IsDigits(s) ? *FieldValue(s) : 0;
}

bool IsLeap(int year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

// Where the fields lie in a masked text of the format.
struct FieldPlaces {
    int dayAt, monthAt, yearAt;
};

FieldPlaces PlacesOf(std::string_view format)
{
    return format == IsoFormat ? FieldPlaces {8, 5, 0} : FieldPlaces {0, 3, 6};
}

} // namespace

std::string LanguageCode(TDateLanguages language)
{
    static constexpr std::array<const char*, 7> codes {"en", "fr", "de", "es", "pt", "ru", ""};
    return language >= en && language <= sys ? codes[static_cast<std::size_t>(language)] : "";
}

TDateLanguages LanguageOfCode(std::string_view code)
{
    for (int i = en; i <= ru; ++i) {
        if (code == LanguageCode(static_cast<TDateLanguages>(i)))
            return static_cast<TDateLanguages>(i);
    }
    return sys;
}

std::string ShortMonthName(int month, TDateLanguages language)
{
    if (month < 1 || month > 12)
        return {};
    if (!HasTable(language))
        return QLocale::system().monthName(month, QLocale::LongFormat).toStdString();
    return shortMonths[static_cast<std::size_t>(language)][static_cast<std::size_t>(month - 1)];
}

std::string LongMonthName(int month, std::string_view languageCode)
{
    if (month < 1 || month > 12)
        return {};
    const TDateLanguages language = LanguageOfCode(languageCode);
    if (!HasTable(language))
        return QLocale::system().monthName(month, QLocale::LongFormat).toStdString();
    return longMonths[static_cast<std::size_t>(language)][static_cast<std::size_t>(month - 1)];
}

std::string DayName(int day, std::string_view languageCode)
{
    if (day < 1 || day > 7)
        return {};
    const TDateLanguages language = LanguageOfCode(languageCode);
    if (!HasTable(language)) {
        // QLocale counts Monday as 1 and Sunday as 7.
        return QLocale::system().dayName(day == 1 ? 7 : day - 1, QLocale::ShortFormat).toStdString();
    }
    return dayNames[static_cast<std::size_t>(language)][static_cast<std::size_t>(day - 1)];
}

std::string Placeholder(TDateLanguages language)
{
    return language >= en && language <= sys ? placeholders[static_cast<std::size_t>(language)] : placeholders[6];
}

std::string CalendarHint(int index, TDateLanguages language)
{
    if (index < 1 || index > 4 || !HasTable(language))
        return {};
    return hints[static_cast<std::size_t>(language)][static_cast<std::size_t>(index - 1)];
}

int DaysInMonth(int year, int month)
{
    static constexpr std::array<int, 12> days {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12)
        return 0;
    return month == 2 && IsLeap(year) ? 29 : days[static_cast<std::size_t>(month - 1)];
}

int ExpandYear(int year, int currentYear)
{
    // The century window of the system's date conversions: 50 years.
    constexpr int window = 50;
    int expanded = year + (currentYear - window) / 100 * 100;
    if (expanded < currentYear - window)
        expanded += 100;
    return expanded;
}

std::optional<DateParts> CompleteDate(std::string_view text, std::string_view format, int currentYear)
{
    const char separator = format == IsoFormat ? '-' : '.';
    const std::size_t first = text.find(separator);
    if (first == std::string_view::npos)
        return std::nullopt;
    const std::size_t second = text.find(separator, first + 1);
    if (second == std::string_view::npos)
        return std::nullopt;
    const std::string_view a = text.substr(0, first);
    const std::string_view b = text.substr(first + 1, second - first - 1);
    const std::string_view c = text.substr(second + 1);
    const auto fa = FieldValue(a), fb = FieldValue(b), fc = FieldValue(c);
    if (!fa || !fb || !fc)
        return std::nullopt;
    DateParts d;
    if (format == IsoFormat)
        d = {*fa, *fb, *fc};
    else
        d = {*fc, *fb, *fa};
    if (d.year >= 0 && d.year < 100)
        d.year = ExpandYear(d.year, currentYear);
    if (d.year <= 0 || d.month < 1 || d.month > 12 || d.day < 1 || d.day > 31)
        return std::nullopt;
    u3::TDateTime ignored = 0;
    if (!u3::TryEncodeDate(d.year, d.month, d.day, ignored))
        return std::nullopt;
    return d;
}

std::string DisplayForm(const DateParts& date, TDateLanguages language)
{
    std::string text = std::to_string(date.day);
    if (language == de || language == pt)
        text += '.';
    char year[16];
    std::snprintf(year, sizeof year, "%.4d", date.year);
    return text + ' ' + ShortMonthName(date.month, language) + ' ' + year;
}

std::optional<DateParts> ParseDisplayForm(std::string_view text, TDateLanguages language)
{
    const bool dotted = language == de || language == pt;
    const std::size_t separator = text.find(dotted ? '.' : ' ');
    if (separator == std::string_view::npos || text.size() < 4)
        return std::nullopt;
    const auto day = FieldValue(text.substr(0, separator));
    const auto year = FieldValue(text.substr(text.size() - 4));
    if (!day || !year)
        return std::nullopt;
    // Between the separator and the blank before the year.
    const std::size_t from = separator + 1;
    const std::size_t to = text.size() >= 5 ? text.size() - 5 : 0;
    if (to < from)
        return std::nullopt;
    const std::string_view monthText = text.substr(from, to - from);
    int month = 0;
    if (const auto number = FieldValue(monthText)) {
        month = *number;
    } else {
        for (int m = 1; m <= 12; ++m) {
            const std::string name = (dotted ? " " : "") + ShortMonthName(m, language);
            if (monthText == name) {
                month = m;
                break;
            }
        }
    }
    u3::TDateTime ignored = 0;
    if (!u3::TryEncodeDate(*year, month, *day, ignored))
        return std::nullopt;
    return DateParts {*year, month, *day};
}

TypedDigit TypeDateDigit(std::string_view format, std::string_view text, int caret, char digit)
{
    TypedDigit result;
    result.text = std::string(text);
    result.caret = caret;
    const int length = static_cast<int>(format.size());
    if (static_cast<int>(text.size()) != length || caret < 0 || digit < '0' || digit > '9')
        return result;
    auto fieldChar = [&](int at) { return at < length ? result.text[static_cast<std::size_t>(at)] : '_'; };

    // The rule under the caret.
    if (caret < length) {
        const char letter = format[static_cast<std::size_t>(caret)];
        const bool firstOfField = caret == 0 || format[static_cast<std::size_t>(caret - 1)] != letter;
        if (letter == 'D' && firstOfField && digit > '3')
            return result;
        if (letter == 'D' && !firstOfField) {
            const char before = fieldChar(caret - 1);
            if ((before == '0' || before == '_') && digit == '0')
                return result;
            if (before == '3' && digit > '1')
                return result;
        }
        if (letter == 'M' && firstOfField && digit > '1')
            return result;
        if (letter == 'M' && !firstOfField) {
            const char before = fieldChar(caret - 1);
            if ((before == '0' || before == '_') && digit == '0')
                return result;
            if (before == '1' && digit > '2')
                return result;
        }
    }
    // The mask writes the digit at the next input place and moves past it.
    int at = caret;
    while (at < length && format[static_cast<std::size_t>(at)] != 'D' && format[static_cast<std::size_t>(at)] != 'M'
           && format[static_cast<std::size_t>(at)] != 'Y')
        ++at;
    if (at >= length)
        return result;
    result.text[static_cast<std::size_t>(at)] = digit;
    int next = at + 1;
    while (next < length && format[static_cast<std::size_t>(next)] != 'D' && format[static_cast<std::size_t>(next)] != 'M'
           && format[static_cast<std::size_t>(next)] != 'Y')
        ++next;
    result.caret = next;
    result.accepted = true;

    const FieldPlaces places = PlacesOf(format);
    auto field = [&](int from, int count) { return std::string_view(result.text).substr(static_cast<std::size_t>(from), static_cast<std::size_t>(count)); };
    const int day = MaskedFieldValue(field(places.dayAt, 2));
    const int month = MaskedFieldValue(field(places.monthAt, 2));
    const int year = MaskedFieldValue(field(places.yearAt, 4));
    const char letter = format[static_cast<std::size_t>(at)];
    const bool firstOfField = at == 0 || format[static_cast<std::size_t>(at - 1)] != letter;
    // While the month is no month yet (blank, 00, 13..19) no day count
    // applies, so the day is left as typed.
    const int days = DaysInMonth(year, month);

    if (letter == 'D' && firstOfField && day >= 32 && day <= 39)
        result.text[static_cast<std::size_t>(at + 1)] = '_';
    if (letter == 'D' && days > 0 && day > days) {
        result.text[static_cast<std::size_t>(places.monthAt)] = '_';
        result.text[static_cast<std::size_t>(places.monthAt + 1)] = '_';
    }
    if (letter == 'M' && firstOfField && month >= 13 && month <= 19)
        result.text[static_cast<std::size_t>(at + 1)] = '_';
    if ((letter == 'M' || letter == 'Y') && days > 0 && day > days) {
        char twoDigits[16];
        std::snprintf(twoDigits, sizeof twoDigits, "%.2d", days);
        result.text[static_cast<std::size_t>(places.dayAt)] = twoDigits[0];
        result.text[static_cast<std::size_t>(places.dayAt + 1)] = twoDigits[1];
    }
    return result;
}

std::optional<std::string> CompleteIsoText(std::string_view text)
{
    if (text.size() < 7)
        return std::nullopt;
    const auto year = FieldValue(text.substr(0, 4));
    const auto month = FieldValue(text.substr(5, 2));
    if (!year || !month)
        return std::nullopt;
    std::optional<int> day = text.size() >= 10 ? FieldValue(text.substr(8, 2)) : std::nullopt;
    if (!day)
        day = DaysInMonth(*year, *month);
    char out[40];
    std::snprintf(out, sizeof out, "%.4d-%.2d-%.2d", *year, *month, *day);
    return std::string(out);
}

int DayOfWeek(int year, int month, int day)
{
    // Days from 1970-01-01 (a Thursday) in the proleptic Gregorian calendar.
    const int y = month <= 2 ? year - 1 : year;
    const int era = (y >= 0 ? y : y - 399) / 400;
    const int yoe = y - era * 400;
    const int doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    const long days = static_cast<long>(era) * 146097 + doe - 719468;
    const long weekday = ((days % 7) + 7 + 4) % 7; // 0 = Sunday
    return static_cast<int>(weekday) + 1;
}

int CalendarOffset(int year, int month, int startOfWeek)
{
    const int w = DayOfWeek(year, month, 1);
    int offset = 2 - ((w - startOfWeek + 7) % 7);
    if (offset == 2)
        offset = -5;
    return offset;
}

int CalendarCellDay(int year, int month, int startOfWeek, int col, int row)
{
    const int day = col + CalendarOffset(year, month, startOfWeek) + 7 * (row - 1);
    return day >= 1 && day <= DaysInMonth(year, month) ? day : 0;
}

} // namespace e3
