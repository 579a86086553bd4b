// The program's fixed web addresses. Neutral header.
#pragma once

constexpr char16_t kMoreLanguagesPage[] = u"https://www.tessaline.example/morelanguages.html";
constexpr char16_t kFaqPage[] = u"https://www.tessaline.example/faq.html";
constexpr char16_t kMakerHomePage[] = u"https://www.tessaline-maker.example/";
constexpr char16_t kProductHomePage[] = u"https://www.tessaline.example/";
constexpr char kUpdateServer[] = "update.tessaline.example";
constexpr char16_t kDownloadPage[] = u"https://www.tessaline.example/tessalinelite.exe";
