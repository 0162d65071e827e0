// What "show" prints in conf> while every export setting is at its default,
// shared by the transcript tests of the processor and of both programs. A
// meaning that would pass the console's 64 columns goes on under itself.
#ifndef SONOMOT_TESTS_SETTINGS_SHOWN_H_
#define SONOMOT_TESTS_SETTINGS_SHOWN_H_

inline constexpr char kDefaultSettingsShown[] =
    "this space show config\n"
    "layout    bones               the file ends after the bone\n"
    "                              keyframes\n"
    "keys      nt                  key bones nt000 to nt127\n"
    "pedal     cc064               sustain pedal bone\n"
    "angle     default             key-down turn about X, -0.04 rad\n"
    "transpose 0                   semitones added to every key\n"
    "model     pmdGRAND            model name in the file\n"
    "velocity  off                 every key dips the whole angle\n"
    "pedalangle default            pedal turn about X at 127, about\n"
    "                              -5.97 degrees\n"
    "motion    classic             keyframes at and before each event\n";

#endif  // SONOMOT_TESTS_SETTINGS_SHOWN_H_
