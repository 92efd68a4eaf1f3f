// The fixed texts of the generated page, written exactly as they stand.
#pragma once

namespace page {

inline constexpr wchar_t kPageHead[] = L"<html><body><head><title>Lantrel</title>\r\n";

inline constexpr const wchar_t* kStyleLines[] = {
    L"<STYLE>\r\n",
    L".TableHead {font:xx-small 'Arial'; color:black; background:#ffff99}\r\n",
    L".TableColumnHead {font:xx-small 'Arial' bold; color:black; background:#ffff99;text-align: center}\r\n",
    L".TableRowLeft {font:xx-small 'Arial'; color:black; background:#FFFFFF; text-align: left}\r\n",
    L".TableRow {font:xx-small 'Arial'; color:black; background:#FFFFFF; text-align: right }\r\n",
    L".Title {FONT-FAMILY: Arial ;font-size: 12pt ;color:black; background:#FFFFFF; text-align: center ;FONT-WEIGHT: "
    L"bolder} \r\n",
    L".Sub {FONT-FAMILY:'Arial'; font-size: 7pt ;color:black; background:#FFFFFF; text-align: left} \r\n",
    L".TableLabel {font:xx-small 'Arial'; color:black; background:#d3d3d3;text-align: left; nowrap: nowrap} \r\n",
    L".TableLabelRight {font:xx-small 'Arial'; color:black; background:#d3d3d3;text-align: right; nowrap: nowrap} "
    L"\r\n",
    L".TableLabelTotal {font:bold italic xx-small 'Arial' ; color:black; background:#ffff99;text-align: left; nowrap: "
    L"nowrap} \r\n",
    L".NoteLabel {font:xx-small 'Arial'; text-align: left; nowrap: nowrap} \r\n",
    L".LabelTitle {font:x-small 'Arial'; color:black; background:#FFFFFF; text-align: left ; FONT-WEIGHT: bolder} "
    L"\r\n",
    L".LabelSubTitle {font:xx-small 'Arial'; color:black; background:#FFFFFF; text-align: left ; FONT-WEIGHT: "
    L"bolder}\t\t\r\n",
    L".LAFont {font:x-small 'Arial'} \r\n",
    L"P  { PAGE-BREAK-AFTER: always } \r\n",
    L"TABLE { page-break-inside: avoid} \r\n",
    L"TR { page-break-inside: avoid; } </STYLE></head>\r\n",
};

inline constexpr wchar_t kTableOpen[] =
    L"<table CLASS=\"Table\" cellspacing=\"0\" cellpadding=\"3\" border=\"1\">\n";

// Description, link target, link text.
inline constexpr wchar_t kBookmarkRowFormat[] =
    L"<tr CLASS=\"TableRow\">\t\t<td nowrap class=\"TableLabel\">%s\t\t<a href=\"%s\"> %s </a></td> </tr>\r\n";

// Time, title, link target, link text.
inline constexpr wchar_t kHistoryRowFormat[] =
    L"<tr CLASS=\"TableRow\">\t\t<td nowrap class=\"TableLabelRight\">%s</td>\t\t<td nowrap "
    L"class=\"TableLabel\">%s\t\t<a href=\"%s\"> %s </a></td> </tr>\r\n";

inline constexpr wchar_t kPageTail[] = L"</table></body></html>";

// The byte-order mark that tells a browser the page is UTF-16LE.
inline constexpr wchar_t kByteOrderMark[] = L"\uFEFF";

}  // namespace page
