// appstrings.cpp - the text table. Non-ASCII characters are written as
// Windows-1252 byte escapes so the bytes do not depend on the compiler's
// execution character set. A hex escape swallows every hex digit after it,
// so a text continues in a new literal where a letter follows ("\xEC" "a").
#include "appstrings.h"

#include <cstdarg>
#include <cstdio>

const AppStringEntry kAppStrings[] = {
    {IDS_APP_NAME, "Klemva"},
    {IDS_STATUS_TEXT, "Sistema di misuratione forza di chiusura"},
    {IDS_KLV_FILTER, "KLV file|*.klv|"},
    {IDS_BMP_FILTER, "Windows bitmap|*.bmp|"},
    {IDS_TIP_NEW, "Eseguire una nuova misuratione"},
    {IDS_TIP_OPEN, "Aperire un documento memorizzato"},
    {IDS_TIP_SAVE, "Memorizzare il documento attivo"},
    {IDS_TIP_PRINT, "Stampare il documento attivo"},
    {IDS_ASK_END_MEASUREMENT, "Vuole interrompere da vero la misurazione in corso ?"},
    {IDS_FORCE_GRAPH_NAME, "Forza di chiusura"},
    {IDS_MEAS_TITLE, "Misurazione del %02d.%02d.%04d"},
    {IDS_SENSOR_LINE, "       S\tSensore:\t%.8s  SN%.4s\r\n       M\tCalibratura:\t%.2s.%.2s.%.2s"},
    {IDS_TEST_MODE_TITLE, "Modo del test"},
    {IDS_TEST_MODE_END, "&Fine"},
    {IDS_TEST_MODE_STATUS, "In corso nel modo di test (niente stampa offset) ..."},
    {IDS_ASK_REPEAT, "E'sicuro che vuole ripetere l'ultima misurazione ?"},
    {IDS_WAIT_START, "Aspetti l'avviamento di misurazione %d..."},
    {IDS_WAIT_CONFIRMATION, "Aspetti la confermazione di misurazione..."},
    {IDS_START_MEASUREMENT, "Inizzi la misurazione %d..."},
    {IDS_WAIT_THRESHOLD, "Aspetti il superamento della soglia per la misuratione %d..."},
    {IDS_MEASURING, "Misurazione %d \xE8 in corso..."},
    {IDS_UNTITLED, "Innominato%d"},
    {IDS_PRINT_NOT_STARTED, "Non ha potuto effettuare l'ordine de stampa.\r\nErrorcode %dL"},
    {IDS_PRINT_FOOTER, "Klemva Version 2.4 - VARNOK GmbH, Industriestra\xDF"
                       "e 14, D-70000 Stoccarda - Tel. +49 711 000000-0 - Fax +49 711 000000-99 - "
                       "service@varnok.example"},
    {IDS_PRINT_DESCRIPTION,
     "\r\n\r\n\r\nEsaminatore: %s\r\nVeicolo: %s\r\nPorta: %s\r\nPosizione: %s\r\n"
     "Tipo di misurazione: %s\r\n\r\nAnnotazione:\r\n%s\r\n\r\nFile: %s"},
    {IDS_LABEL_EXAMINER, "Esaminatore:"},
    {IDS_LABEL_VEHICLE, "Veicolo:"},
    {IDS_LABEL_DOOR, "Porta:"},
    {IDS_LABEL_POSITION, "Posizione:"},
    {IDS_LABEL_MEAS_TYPE, "Tipo di misurazione:"},
    {IDS_LABEL_SENSOR_TYPE, "Tipo di sensore:"},
    {IDS_LABEL_SERIAL_NO, "Numero di serie:"},
    {IDS_LABEL_CALIBRATION, "Calibratura:"},
    {IDS_LABEL_REMARKS, "Annotazioni"},
    {IDS_GRAPH_TITLE, "Forza di chiusura (misurazione %d)"},
    {IDS_MEAN_GRAPH_TITLE, "Valore medio del corso di forza"},
    {IDS_MEAN_GRAPH_NAME, "Valore medio della forza"},
    {IDS_RESULT_EFF_MARKED, "Forza effettiva:\t\t*%0.1f N\r\nForza di serraggio:\t%0.1f N\r\n"
                            "Forza di punta:\t\t%0.1f N\r\nK-fattore:\t\t%0.2f\r\n"
                            "Durata d' impulsi:\t%0.2f s\r\nEnerg\xEC"
                            "a:\t\t\t%0.2f J"},
    {IDS_RESULT_CLAMP_MARKED, "Forza effettiva:\t\t%0.1f N\r\nForza di serraggio:\t*%0.1f N\r\n"
                              "Forza di punta:\t\t%0.1f N\r\nK-fattore:\t\t%0.2f\r\n"
                              "Durata d' impulsi:\t%0.2f s\r\nEnerg\xEC"
                              "a:\t\t\t%0.2f J"},
    {IDS_TAB_DESCRIPTION, "Descrizione"},
    {IDS_TAB_MEASUREMENT, "Misurazione %d"},
    {IDS_TAB_MEAN, "Valori medi"},
    {IDS_NOT_A_KLV_FILE, "Niente Klemva file"},
    {IDS_ASK_SAVE_CHANGES, "Modifiche attuale memorizzare in %s ?"},
    {IDS_CANNOT_WRITE, "Non ha potuto scrivere %s."},
    {IDS_PORT_NOT_OPENED,
     "L'apparecchio \"%s\" non \xE8 potuto essere aperto.\r\n"
     "Probalbilmente viene utilizzatoda un altro programma o dal mouse.\r\n"
     "Per piacere selezionate un altro port nel dialogo \"Impostazioni\" (menu di file)."},
    {IDS_SENSOR_NOT_FOUND, "Il sensore non \xE8 potuto essere trovato.\r\n"
                           "Per piacere controllate la conessione al port seriale del Vs. PC."},
    {IDS_CANNOT_OPEN, "Non ha potuto aperire %s.\r\n%s"},
    {IDS_LIMITS_UNREADABLE, "Non ha potuto leggere il file dei valori limite %s: %s"},
    {IDS_LIMITS_LINE_ERROR, "File dei valori limite %s, riga %d: %s"},
    {IDS_LIMITS_BAD_LINE, "riga non valida (attesi [insieme], CHIAVE=VALORE o un commento)"},
    {IDS_LIMITS_EMPTY_SET_NAME, "il nome dell'insieme \xE8 vuoto"},
    {IDS_LIMITS_KEY_OUTSIDE_SET, "la chiave \"%s\" sta prima del primo [insieme]"},
    {IDS_LIMITS_UNKNOWN_KEY,
     "chiave sconosciuta \"%s\" (valide: Fonte, Media.FIGURA, Chiusura.FIGURA)"},
    {IDS_LIMITS_UNKNOWN_FIGURE,
     "figura sconosciuta \"%s\" (valide: ForzaEffettiva, "
     "ForzaDiSerraggio, ForzaDiPunta, KFattore, DurataImpulsi, Energia)"},
    {IDS_LIMITS_BAD_NUMBER, "numero non valido \"%s\" (solo cifre, con punto o virgola decimale)"},
    {IDS_LIMITS_DUPLICATE_SET, "l'insieme \"%s\" \xE8 definito due volte, la prima alla riga %d"},
    {IDS_LIMITS_DUPLICATE_KEY, "la chiave \"%s\" \xE8 definita due volte, la prima alla riga %d"},
    {IDS_LIMITS_SET_WITHOUT_RULE, "l'insieme \"%s\" non ha nessuna regola"},
    {IDS_VERDICT_PASS, "CONFORME"},
    {IDS_VERDICT_FAIL, "NON CONFORME"},
    {IDS_VERDICT_NOT_ASSESSABLE, "NON VALUTABILE"},
    {IDS_RULE_PASS, "conforme"},
    {IDS_RULE_FAIL, "non conforme"},
    {IDS_RULE_NOT_ASSESSABLE, "non valutabile"},
    {IDS_SENSOR_SATURATED, "sensore saturato"},
    {IDS_VERDICT_SET, "Valori limite: %s"},
    {IDS_VERDICT_SOURCE, "Fonte: %s"},
    {IDS_VERDICT_RULE, "%s: %s (max %s) %s"},
    {IDS_VERDICT_OVERALL, "Giudizio: %s"},
    {IDS_VERDICT_CLOSING, "Chiusura %d: %s"},
    {IDS_LIMITS_NONE, "(nessuno)"},
    {IDS_LIMITS_FILE, "File: %s"},
    {IDS_LIMITS_NO_FILE, "Nessun file dei valori limite: Klemva cerca %s, altrimenti %s."},
    {IDS_LIMITS_SET_MISSING, "L'insieme di valori limite \"%s\" non c'\xE8 nel file %s."},
    {IDS_LIMITS_NO_VERDICT, "%s\r\n\r\nLe misurazioni non vengono valutate."},
    {IDS_LIMITS_RULE, "%s: max %s"},
};

const std::size_t kAppStringCount = sizeof(kAppStrings) / sizeof(kAppStrings[0]);

const char* AppString(int id)
{
    for (std::size_t i = 0; i < kAppStringCount; ++i) {
        if (kAppStrings[i].id == id)
            return kAppStrings[i].text;
    }
    return nullptr;
}

char* FormatAppString(char* buf, std::size_t size, int id, ...)
{
    if (size == 0)
        return buf;
    buf[0] = '\0';
    const char* format = AppString(id);
    if (!format)
        return buf;
    va_list args;
    va_start(args, id);
    std::vsnprintf(buf, size, format, args);
    va_end(args);
    return buf;
}
