// The framework's own command and string ids, with the platform
// framework's values (ID_HELP is 57670). Program resources use ids below
// 0xE000, so these never clash with them.
#pragma once

// Standard commands.
#define ID_HELP_INDEX 0xE142
#define ID_HELP_FINDER 0xE143
#define ID_HELP_USING 0xE144
#define ID_CONTEXT_HELP 0xE145
#define ID_HELP 0xE146
#define ID_DEFAULT_HELP 0xE147

// Standard strings.
#define AFX_IDS_APP_TITLE 0xE000
