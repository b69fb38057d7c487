#!/usr/bin/perl
# Replaces values that change from run to run (times, serial numbers, file indexes,
# free space) with placeholders, so that transcripts compare byte for byte. Each rule
# names the transcript line it applies to.
use strict;
use warnings;

# QSPACE: the unit size and the available units are kept to check that the
# available bytes are their product.
my ($unitSize, $availableUnits) = (0, 0);

# Attribute displays: a stamp dated within a year of the run comes from the clock
# (a file made by the run or its setup) and becomes a placeholder; older dates are
# ones that a script or setup set itself and stay exact.
my $thisYear = (gmtime)[5] + 1900;
sub fromClock { my ($year) = @_; return abs($year - $thisYear) <= 1; }

while (my $line = <STDIN>) {
    # QSPACE result lines
    if ($line =~ s/^(   \.\.\. \.\.\. unit size:       )(\d+)$/$1\@UNIT\@/) { $unitSize = $2; }
    $line =~ s/^(           total Units:     )\d+$/$1\@TOTAL\@/;
    if ($line =~ s/^(           available Units: )(\d+)$/$1\@AVAIL\@/) { $availableUnits = $2; }
    if ($line =~ /^(           available Bytes: )(\d+)$/ && $2 == $unitSize * $availableUnits) {
        $line = "$1\@UNIT*AVAIL\@\n";
    }
    # GETVOLUMEINFO result lines
    $line =~ s/^(   \.\.\. \.\.\. serial number is:        )\d+$/$1\@SERIAL\@/;
    $line =~ s/^(   \.\.\. \.\.\. file system name is:     ).*$/$1\@FSNAME\@/;
    # GETATTRIBUTES and search entries: "Create Date: ...      Create Time: ..." lines
    $line =~ s{^(      (?:Create|Access|Change) Date: )\d\d/\d\d/(\d{4})(      \w+ Time: )(?:\d\d:\d\d:\d\d [AP]M|Midnight )$}
              {fromClock($2) ? "$1\@DATE\@$3\@TIME\@" : $&}e;
    # ... and their "Win32 Create File Time: mm/dd/yyyy  hh:mm:ss.mmmm" lines
    $line =~ s{^(      Win32 (?:Create|Access|Change) File Time: )\d\d/\d\d/(\d{4})  \d\d:\d\d:\d\d\.\d{4}$}
              {fromClock($2) ? "$1\@FILETIME\@" : $&}e;
    # The Win32-specific values of a fill by handle
    $line =~ s/^(       volume serial Number = )\d+(   number of Links = \d+)$/$1\@SERIAL\@$2/;
    $line =~ s/^(       file index High      = )\d+(   file index Low  = )\d+$/$1\@INDEX\@$2\@INDEX\@/;
    # READ and WRITE in single-request mode: how many polls a request needs depends on
    # when it completes; the first polling line stays, the later ones are dropped.
    next if $line =~ /^           \*\*\* waiting for async (?:read|write) to complete (?:[2-9]|\d{2,})$/;
    print $line;
}
