// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/workflow_harness.h"

#include <QRegularExpression>
#include <gtest/gtest.h>

namespace {

// The window from start-up, as stories: steps as a user takes them (";" between, see WorkflowHarness::run), then
// "=>" and what the user sees and hears that changed since (WorkflowHarness::state), or after "files" the folder's
// files; "\" at the end goes on in the next line. Open's half-second wait ends at 500 ms, and T ticks on every whole
// second of playing from then on.
const char* const kStories = R"(
# PreviewTakenOver
open 20000 ; pass 500 ; click Start ; pass 2000 ; click End => \
    H3/20 Pause tick playing @3000 L4[ 0:0:3] L7[ 0:0:1] L9[ 0:0:3] L3[ 0:0:2] lines632,1715 s461 m1000,3000
at 2000 click Play ; click Preview => {H2/20 Play still paused @2000 L4[ 0:0:2]}
click Play => Pause tick playing @2500
pass 3000 => H5/20 @5500 L4[ 0:0:5]
slider 1 ; at 2000 click Stop ; click Preview => {H0/20 Play still stopped @0 L4[0:0:0]}
click Play => Pause tick playing @500
slider 1 ; at 2000 click Save ; click Preview => L4[ 0:0:0] {Play stopped @0 'Tuneshear'}
click Play => Pause playing
slider 1 ; at 2000 slider 6 ; click Preview => {H6/20 @6000 L4[ 0:0:6]}
pass 3000 => H9/20 @9000 L4[ 0:0:9]
at 2000 click Preview ; click Preview => H3/20 L4[ 0:0:3] {H2/20 Play stopped @3000 L4[ 0:0:2]}
click Play => Pause playing
slider 1 ; at 2000 open 9000 ; click Preview => \
    {H0/9 @0 L4[ 0:0:1] L7[0:0:0] L9[0:0:0] L3[0:0:0] lines170,9400 s1025 m0,0}
pass 3000 => H3/9 @3000 L4[ 0:0:3]
open 20000 ; pass 500 ; click Start ; pass 2000 ; click End => \
    H2/20 @2500 L4[ 0:0:2] L7[ 0:0:0] L9[ 0:0:2] L3[ 0:0:2] lines170,1253 s461 m500,2500
at 2000 close ; click Preview => H0/20 L4[ 0:0:0] {H1/20 closed @-1 L4[ 0:0:1] (the program ends)}
# PreviewAfterTheEndOfTheFile
open 3504 ; pass 500 ; click Start ; pass 1000 ; click End
pass 1600 => H3/3 Pause tick stopped @3504 L4[ 0:0:3] L7[ 0:0:1] L9[ 0:0:2] L3[ 0:0:1] lines3247,6483 s3076 m1000,2000
click Preview => H1/3 Play @2000 L4[ 0:0:1]
marks 1000 99000 ; pass 3000 => H2/3 L4[ 0:0:2] m1000,99000
click Preview => H3/3 @3504 L4[ 0:0:3]
# LinesStandAtTheThumb
length 4200000 ; open 5000 => H0/4200 Pause tick playing @500 L7[0:0:0] L9[0:0:0] L3[0:0:0] lines170,9400 s2
hold 1234 ; click Start => H1234/4200 still L7[ 0:0:0] lines2882,9400 m500,0
hold 4200 ; click End => H4200/4200 L9[ 0:0:0] lines2882,9560 m500,500
length 36000000 ; open 5000 => H0/36000 tick @0 L7[0:0:0] L9[0:0:0] lines170,9400 s0 m0,0
hold 7 ; click Start => H7/36000 still L7[ 0:0:0] lines172,9400
hold 35999 ; click End => H35999/36000 L9[ 0:0:0] lines172,9560
# Transport
open 20000 => H0/20 Pause tick playing @500 L7[0:0:0] L9[0:0:0] L3[0:0:0] lines170,9400 s461
pass 1200 => H1/20 @1700 L4[ 0:0:1]
click Play => Play still paused
pass 5000 => unchanged
slider 9 => H9/20 stopped @9000 L4[ 0:0:9]
click Play => Pause tick playing @9500
pass 1000 => H10/20 @10500 L4[ 0:0:10]
click Start => L7[ 0:0:10] lines4785,9400 m10500,0
click Stop => H0/20 Play still stopped @0 L4[0:0:0]
click Play => Pause tick playing @500
hold 15 => H15/20 still
pass 3000 => @3500
release => tick @15000 L4[ 0:0:15]
pass 1000 => H16/20 @16000 L4[ 0:0:16]
click End => L9[ 0:0:16] L3[ 0:0:6] lines4785,7714 m10500,16000
# EndOfTheFile
open 3504 => H0/3 Pause tick playing @500 L7[0:0:0] L9[0:0:0] L3[0:0:0] lines170,9400 s3076
pass 2500 => H3/3 @3000 L4[ 0:0:3]
pass 1100 => H0/3 Play stopped @0
pass 2000 => L4[ 0:0:0]
open 20000 => H0/20 Pause playing @400 s461
open 600 => H0/0 @0
pass 1500 => Play stopped
click Play => playing @500
open 1500 => H0/1 Pause @0 s9230
# OpenCancelledOrFailed
click Open => unchanged
open 30000 => H0/30 Pause tick playing @500 L7[0:0:0] L9[0:0:0] L3[0:0:0] lines170,9400 s307
pass 2500 => H3/30 @3000 L4[ 0:0:3]
click Start => L7[ 0:0:3] lines1093,9400 m3000,0
click Open => Play still paused
pass 3000 => unchanged
write noise.mp3 some text that is no MP3 ; open noise.mp3 => \
    H0/10 closed @-1 L4[] L7[] L9[] L3[] lines210,9345 s0 m0,0 "Cannot play noise.mp3: the file is missing or is not \
    an MP3 file that Tuneshear can play."
click Play ; click Stop ; click Start ; click End ; slider 3 ; pass 2000 => H3/10
open missing.mp3 => H0/10 "Cannot play missing.mp3: the file is missing or is not an MP3 file that Tuneshear can play."
given missing.mp3 => "Cannot play missing.mp3: the file is missing or is not an MP3 file that Tuneshear can play."
# Marks
open 200000 => H0/200 Pause tick playing @500 L7[0:0:0] L9[0:0:0] L3[0:0:0] lines170,9400 s46
click Preview => "Wrong Selection"
pass 1400 => H1/200 @1900 L4[ 0:0:1]
click Start => L7[ 0:0:1] lines216,9400 m1900,0
pass 1200 => H3/200 @3100 L4[ 0:0:3]
click End => L9[ 0:0:3] L3[ 0:0:2] lines216,468 m1900,3100
slider 100 => H100/200 @100000 L4[ 0:1:40]
click Start => L7[ 0:1:40] L3[0:0:0] lines4785,468 m100000,3100
click Preview => "Wrong Selection"
slider 200 => H200/200 stopped @200000 L4[ 0:3:20]
click End => L9[ 0:3:20] L3[ 0:1:40] lines4785,9560 m100000,200000
open 3000 => H0/3 playing @400 L7[0:0:0] L9[0:0:0] L3[0:0:0] lines170,9400 s3076 m0,0
# Preview
open 10000 => Pause tick playing @500 L7[0:0:0] L9[0:0:0] L3[0:0:0] lines170,9400 s923
pass 500 => H1/10 @1000 L4[ 0:0:1]
click Start => L7[ 0:0:1] lines1093,9400 m1000,0
pass 2000 => H3/10 @3000 L4[ 0:0:3]
click End => L9[ 0:0:3] L3[ 0:0:2] lines1093,3099 m1000,3000
pass 3000 => H6/10 @6000 L4[ 0:0:6]
click Preview => H2/10 Play stopped @3000 L4[ 0:0:2]
at 2000 click End ; click Preview => \
    H2/10 Play paused @2200 L4[ 0:0:2] {H1/10 Pause playing @2000 L4[ 0:0:1] L9[ 0:0:2] L3[ 0:0:1] lines1093,1253 \
    m1000,2000}
# SaveCutsTheMarkedBytes
copy cbr_128k_44k_stereo.mp3 song.mp3 ; open song.mp3 ; marks 1000 2000 ; choose clip.mp3 ; at 0 look ; click Save => \
    @0 'Tuneshear' pb0/21858 off: {H0/3 tick stopped @500 L4[0:0:0] L7[0:0:0] L9[0:0:0] L3[0:0:0] lines170,9400 \
    s3076 m1000,2000 'Saving' pb20480/21858 off:5,6,9,1,2,4,7,H} pb21858 "Clip Saved"
marks 0 1000 ; choose from start.mp3 ; at 0 look ; click Save => \
    'Tuneshear' pb0/21232 off: {m1,1000 'Saving' pb20480/21232 off:5,6,9,1,2,4,7,H} pb21232 "Clip Saved"
marks 2900 3000 ; choose to end.mp3 ; at 0 look ; click Save => \
    'Tuneshear' pb0/7021 off: {m2900,3000 'Saving' pb4096/7021 off:5,6,9,1,2,4,7,H} pb7021 "Clip Saved"
files => clip.mp3:17970 from start.mp3:17553 song.mp3=0+48900 to end.mp3:3133
tag tagged.mp3 ; open tagged.mp3 ; marks 1000 2000 ; choose tagged clip.mp3 ; at 0 look ; click Save => \
    'Tuneshear' pb0/1.02304e+06 off: {m1000,2000 'Saving' pb1.0199e+06/1.02304e+06 off:5,6,9,1,2,4,7,H} \
    pb1.02304e+06 "Clip Saved"
# SaveAsksBeforeReplacingAndRefusesTheOpenedFile
copy cbr_128k_44k_stereo.mp3 song.mp3 ; open song.mp3 ; write clip.mp3 an older clip
marks 2000 2000 ; click Save => \
    H0/3 Pause tick playing @500 L7[0:0:0] L9[0:0:0] L3[0:0:0] lines170,9400 s3076 m2000,2000 "Wrong Selection"
marks 0 2000 ; click Save => Play stopped @0 L4[0:0:0] m1,2000 'Tuneshear'
choose clip.mp3 ; answer No ; click Save => "File already exist.Overwrite?"
choose clip.mp3 ; answer Yes ; click Save => pb0/37114 "File already exist.Overwrite?" pb37114 "Clip Saved"
files => clip.mp3:33435 song.mp3=0+48900
mkdir sub ; link symlink.mp3 song.mp3 ; hardlink hardlink.mp3 song.mp3
choose song.mp3 ; click Save => "Cannot overwrite file in use..."
choose sub/../song.mp3 ; click Save => "Cannot overwrite file in use..."
choose symlink.mp3 ; click Save => "Cannot overwrite file in use..."
choose hardlink.mp3 ; click Save => "Cannot overwrite file in use..."
choose late.mp3 ; at 0 write late.mp3 appeared ; click Save => 'Tuneshear' pb0/37114 off: {'Saving' pb36864/37114 \
    off:5,6,9,1,2,4,7,H} pb36864 "File already exist.Overwrite?"
files => clip.mp3:33435 hardlink.mp3=0+48900 late.mp3:8 song.mp3=0+48900 sub:0 symlink.mp3=0+48900
# SaveFailsWithAReason
copy cbr_128k_44k_stereo.mp3 song.mp3 ; open song.mp3 ; marks 1000 2000
remove song.mp3 ; choose clip.mp3 ; click Save ; pass 2000 => \
    'Tuneshear' "The clip was not saved: "F/song.mp3" has changed since it was opened: open it again."
copy cbr_128k_44k_stereo.mp3 song.mp3 ; open song.mp3 ; marks 1000 2000 ; write clip.mp3 an older clip
write song.mp3 x ; choose clip.mp3 ; answer Yes ; click Save => \
    "File already exist.Overwrite?" "The clip was not saved: "F/song.mp3" has changed since it was opened: open \
    it again."
files => clip.mp3:13 song.mp3=595+1
copy cbr_128k_44k_stereo.mp3 song.mp3 ; open song.mp3 ; marks 4000 5000 ; choose new.mp3 ; click Save => \
    H0/3 tick stopped @0 L4[0:0:0] L7[0:0:0] L9[0:0:0] L3[0:0:0] lines170,9400 s3076 m4000,5000 \
    "The clip was not saved: The selection holds no bytes."
open 3000 ; marks 1000 2000 ; length 0 ; choose new.mp3 ; click Save => \
    m1000,2000 "The clip was not saved: The media length is 0 ms, so the bytes per millisecond are unknown."
length error ; choose new.mp3 ; click Save => \
    "The clip was not saved: The playing time of the opened file is unknown (media error 263)."
open song.mp3 ; marks 1000 2000 => Pause playing
lock ; choose clip.mp3 ; answer Yes ; click Save => \
    Play stopped pb0/21858 "File already exist.Overwrite?" pb21858 "Clip Saved"
choose new.mp3 ; click Save ; unlock => "The clip was not saved: Cannot write "F/new.mp3": Permission denied"
files => clip.mp3:17970 song.mp3=0+48900 tune 3000.mp3:12000
click Play ; write song.mp3 cut short ; pass 1000 => \
    H0/10 still closed @-1 L4[] L7[] L9[] L3[] lines210,9345 s0 m0,0 ""F/song.mp3" has changed since it was \
    opened: open it again."
copy cbr_128k_44k_stereo.mp3 song.mp3 ; open song.mp3 ; marks 1000 2000 ; choose mid.mp3 ; \
    at 0 write song.mp3 cut short ; click Save => H0/10 still closed @-1 L4[] L7[] L9[] L3[] lines210,9345 s0 m0,0 \
    'Tuneshear' pb0/21858 off: {H0/3 tick stopped @1000 L4[0:0:0] L7[0:0:0] L9[0:0:0] L3[0:0:0] lines170,9400 s3076 \
    m1000,2000 'Saving' pb20480/21858 off:5,6,9,1,2,4,7,H} pb20480 "The clip was not saved: "F/song.mp3" has \
    changed since it was opened: open it again."
# Drops
copy cbr_128k_44k_stereo.mp3 song.mp3 ; drop text song.mp3 ; drop two song.mp3 ; drop move song.mp3 => \
    focus:H (drop refused) (drop refused) (drop refused)
drop copy song.mp3 => H0/3 Pause tick playing @500 L7[0:0:0] L9[0:0:0] L3[0:0:0] lines170,9400 s3076 (drop taken)
marks 1000 2000 ; choose clip.mp3 ; at 0 drop copy song.mp3 ; click Save => \
    @0 'Tuneshear' pb0/21858 off: focus:Command7 {Play stopped L4[0:0:0] m1000,2000 'Saving' pb20480/21858 \
    off:5,6,9,1,2,4,7,H focus:Command3 (drop refused)} pb21858 "Clip Saved"
# FrameSteps
copy cbr_128k_44k_stereo.mp3 song.mp3 ; open song.mp3 ; click Play ; slider 1 => \
    H1/3 stopped @1000 L4[ 0:0:1] L7[0:0:0] L9[0:0:0] L3[0:0:0] lines170,9400 s3076
key Shift+Right => tick playing @1026 focus:Command1
pass 1000 => still stopped
key Shift+Right ; key Shift+Right ; key Shift+Right ; key Shift+Right ; key I ; tips => \
    @1130 L7[ 0:0:1] lines3247,9400 m1130,0 <0:00:01.130 0:00:00.000 0:00:00.000 0:00:01.130>
key Ctrl+Shift+Left ; pass 200 ; key O ; tips => \
    H0/3 @869 L4[ 0:0:0] L9[ 0:0:0] lines3247,330 m1130,869 <0:00:01.130 0:00:00.869 0:00:00.000 0:00:00.869>
key Shift+Right ; pass 200 ; key Shift+Right => tick playing @921
slider 0 ; key Shift+Left ; pass 1000 => still stopped @0
slider 3 ; key Ctrl+Shift+Right ; pass 1000 => H3/3 @3000 L4[ 0:0:3]
slider 1 ; click Play ; key Ctrl+Shift+Right => H1/3 Pause tick playing @1361 L4[ 0:0:1]
marks 1000 2000 ; choose clip.mp3 ; at 0 key Shift+Right ; click Save => @0 'Tuneshear' pb0/21858 off: \
    focus:Command7 {H0/3 Play stopped L4[0:0:0] m1000,2000 'Saving' pb20480/21858 off:5,6,9,1,2,4,7,H focus:Command3} \
    pb21858 "Clip Saved"
choose clip.mp3 ; answer Yes ; at 0 key ] ; click Save => 'Tuneshear' pb0/21858 off: focus:Command7 {'Saving' \
    pb20480/21858 off:5,6,9,1,2,4,7,H focus:Command3 "File already exist.Overwrite?"} pb21858 "Clip Saved"
# EdgePreviews
open 200000 ; marks 60000 180000 ; at 0 look ; key ] => H179/200 Play stopped @180000 L4[ 0:2:59] {H0/200 Pause \
    tick playing @178000 L7[0:0:0] L9[0:0:0] L3[0:0:0] lines170,9400 s46 m60000,180000 focus:Command4}
at 61000 key [ ; click Preview => {H61/200 @62000 L4[ 0:1:1] focus:Command9}
marks 1000 2950 ; click Preview => H2/200 @2950 L4[ 0:0:2] m1000,2950
at 0 look ; key ] => Play stopped @2950 {Pause playing @1000}
marks 1000 9000 ; at 1500 click End ; key [ => \
    Play stopped @3000 {Pause playing @1600 L9[ 0:0:1] L3[ 0:0:0] lines170,422 m1000,1600 focus:Command6}
marks 0 0 ; key [ ; key ] => m0,0
# Website
click Website => [xdg-open W]
browserless ; click Website => [xdg-open W] "Cannot open W: no web browser is set up on this desktop."
close => (the program ends)
# Keys
open 3000 ; pass 500 ; key I ; pass 1000 ; key O => \
    H2/3 Pause tick playing @2000 L4[ 0:0:2] L7[ 0:0:1] L9[ 0:0:2] L3[ 0:0:1] lines3247,6483 s3076 m1000,2000 \
    focus:Command4
key Ctrl+O => Play still paused
key Ctrl+S => H0/3 stopped @0 L4[0:0:0] 'Tuneshear'
at 0 key I ; marks 1000 2000 ; choose clip.mp3 ; key Ctrl+S => \
    'Tuneshear' pb0/8192 off: focus:Command4 {'Saving' pb4096/8192 off:5,6,9,1,2,4,7,H focus:Command3} pb8192 \
    "Clip Saved"
key Ctrl+W => closed @-1 focus: (the program ends)
open 3000 ; key Ctrl+Q => Pause tick L7[0:0:0] L9[0:0:0] L3[0:0:0] lines170,9400 m0,0 (the program ends)
)";

struct Story {
    std::string name;
    QStringList lines;
};

std::vector<Story> stories() {
    std::vector<Story> all;
    for (const QString& line : QString(kStories).replace(QRegularExpression("\\\\\n +"), "").split('\n')) {
        if (line.startsWith("# ")) {
            all.push_back({ line.mid(2).toStdString(), {} });
        } else if (!line.isEmpty()) {
            all.back().lines << line;
        }
    }
    return all;
}

TEST(Stories, ShowWhatTheUserExpects) {
    for (const Story& story : stories()) {
        SCOPED_TRACE(story.name);
        test_support::WorkflowHarness harness;
        for (const QString& line : story.lines) {
            const QStringList steps = line.section(" => ", 0, 0).split(" ; ");
            for (const QString& step : steps) {
                harness.run(step.toStdString());
            }
            if (line.contains(" => ")) {
                const std::string seen = steps.last() == "files" ? harness.files() : harness.state();
                EXPECT_EQ(seen, line.section(" => ", 1).toStdString()) << line.toStdString();
            }
        }
    }
}

} // namespace
