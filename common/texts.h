#pragma once

// Every text that the user sees, exactly as the program shows it.

#include <QString>

namespace texts {

inline const QString WindowCaption = QStringLiteral("Zelvo-Viewer");
inline const QString ApplicationTitle = QStringLiteral("Zelvo Viewer");
inline const QString ExecutableName = QStringLiteral("Zelvoviewer");
inline const QString Version = QStringLiteral("1.00");

inline const QString MenuRirekiCaption = QStringLiteral("ショートカット");
inline const QString MenuFilterCaption = QStringLiteral("フィルタ");
inline const QString SaveRireki = QStringLiteral("終了時に履歴を保存する");
inline const QString EtcFilter = QStringLiteral("その他...");
inline const QString Separator = QStringLiteral("-");
inline const QString Dummy = QStringLiteral("Dummy");

// Design-time history captions, full-width digits.
inline const QString RirekiPlaceholders[10] = {
    QStringLiteral("履歴１"), QStringLiteral("履歴２"), QStringLiteral("履歴３"), QStringLiteral("履歴４"),
    QStringLiteral("履歴５"), QStringLiteral("履歴６"), QStringLiteral("履歴７"), QStringLiteral("履歴８"),
    QStringLiteral("履歴９"), QStringLiteral("履歴１０"),
};
inline const QString NoRireki = QStringLiteral("履歴なし");
inline const QChar PlaceholderMark = QChar(0x5C65); // 履

inline const QString FilterCaptions[5] = {
    QStringLiteral("*.jpeg"), QStringLiteral("*.jpg"), QStringLiteral("*.gif"),
    QStringLiteral("*.png"), QStringLiteral("*.bmp"),
};
inline const QString StartupPattern = QStringLiteral("*.Jpeg;*.jpg;*.gif;*.png;*.bmp");
inline const QString FilterPrompt = QStringLiteral("「*.bmp」などの形で、フィルタを入力して下さい。");

inline const QString ReadFailed = QStringLiteral("読み込みに失敗しました。");
inline const QString Bytes = QStringLiteral(" バイト");
inline const QString KiloBytes = QStringLiteral(" KB");
inline const QString StatusSeparator = QStringLiteral(" - ");

inline const QString RirekiFileName = QStringLiteral("Rireki.dat");
inline const QString StartPageName = QStringLiteral("Default.htm");

// Shown when the history cannot be saved at exit; %1 is the file, %2 the reason.
inline const QString RirekiWriteFailed =
    QStringLiteral("履歴を保存できませんでした。\n\nファイル: %1\n理由: %2");

// Why the history was not saved when its place holds no regular file.
inline const QString NotARegularFile = QStringLiteral("通常のファイルではありません（フォルダ、デバイス、FIFO などは置き換えません）。");

// The viewer's page for a file it cannot show; %1 is the path.
inline const QString CannotDisplayTitle = QStringLiteral("表示できません");
inline const QString CannotDisplayBody = QStringLiteral("このファイルは表示できません。");

} // namespace texts
