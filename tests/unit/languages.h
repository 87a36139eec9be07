// The English names of the ten languages of the phrase table, as the platform gives them.
#pragma once

inline const char16_t* const AllLanguageNames[] = {u"English",
                                                   u"Spanish",
                                                   u"Portuguese",
                                                   u"French",
                                                   u"German",
                                                   u"Russian",
                                                   u"Bulgarian",
                                                   u"Chinese (Simplified)",
                                                   u"Chinese (Traditional)",
                                                   u"Japanese"};
