#pragma once
// Where the program's links lead: placeholders, in the reserved .example
// domain, until the project has a web site of its own.

#include <string>

inline const std::wstring kWebsiteUrl = L"https://tollivane.example/";
inline const std::wstring kOnlineAlarmUrl = kWebsiteUrl + L"alarm-clock-online.php";
inline const std::wstring kSupportMail = L"support@tollivane.example";
