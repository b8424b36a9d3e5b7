/* The plug-in's identity in one place: the resource script (PiPL and version resource) and the
   code (registration, global set-up) both take their values from here, so they cannot drift.
   Plain #defines only: the resource compiler reads this file too. */
#ifndef TESSGRAIN_PLUGIN_DESCRIPTION_H
#define TESSGRAIN_PLUGIN_DESCRIPTION_H

#define TG_DISPLAY_NAME "Orbisk Tessgrain"
#define TG_MATCH_NAME "ML_Tessgrain"
#define TG_CATEGORY "Mirelune"
#define TG_ENTRY_POINT "EffectMain"
#define TG_SUPPORT_URL "https://www.mirelune.com/Orbisk/Support_After_Effects_Tessgrain"
#define TG_UPDATE_URL "https://www.mirelune.com/Orbisk/UpdateTessgrain"

/* Pascal forms for the PiPL: a length byte (octal escape) and the characters. */
#define TG_DISPLAY_NAME_PSTR "\020" TG_DISPLAY_NAME
#define TG_MATCH_NAME_PSTR "\014" TG_MATCH_NAME
#define TG_CATEGORY_PSTR "\010" TG_CATEGORY
#define TG_SUPPORT_URL_PSTR "\077" TG_SUPPORT_URL

#define TG_KIND 0x65464B54 /* 'eFKT' */
#define TG_API_VERSION_MAJOR 13
#define TG_API_VERSION_MINOR 29
#define TG_RESERVED_INFO 8

/* 1.1.0, development stage, build 36: the host's packed form and the file version. */
#define TG_VERSION_MAJOR 1
#define TG_VERSION_MINOR 1
#define TG_VERSION_FIX 0
#define TG_VERSION_STAGE 0
#define TG_VERSION_BUILD 36
#define TG_PACKED_VERSION 0x00088024L
#define TG_FILE_VERSION TG_VERSION_MAJOR, TG_VERSION_MINOR, TG_VERSION_FIX, TG_VERSION_BUILD
#define TG_FILE_VERSION_STR "1.1.0 build 36"
#define TG_VERSION_PARAM_NAME "v1.1.0"

#define TG_OUT_FLAGS 0x060006A0L
#define TG_OUT_FLAGS2 0x0A001400L
#define TG_OUT_FLAGS2_PREMIERE 0x08001400L

#endif
