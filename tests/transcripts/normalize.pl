#!/usr/bin/perl
# Replaces values that change from run to run (times, serial numbers, file indexes,
# free space) with placeholders, so that transcripts compare byte for byte. Each rule
# names the transcript line it applies to.
use strict;
use warnings;

# QSPACE: the unit size and the available units are kept to check that the
# available bytes are their product in 32 bits.
my ($unitSize, $availableUnits) = (0, 0);

while (my $line = <STDIN>) {
    # QSPACE result lines
    if ($line =~ s/^(   \.\.\. \.\.\. unit size:       )(\d+)$/$1\@UNIT\@/) { $unitSize = $2; }
    $line =~ s/^(           total Units:     )\d+$/$1\@TOTAL\@/;
    if ($line =~ s/^(           available Units: )(\d+)$/$1\@AVAIL\@/) { $availableUnits = $2; }
    if ($line =~ /^(           available Bytes: )(\d+)$/ && $2 == ($unitSize * $availableUnits) % 4294967296) {
        $line = "$1\@UNIT*AVAIL\@\n";
    }
    # GETVOLUMEINFO result lines
    $line =~ s/^(   \.\.\. \.\.\. serial number is:        )\d+$/$1\@SERIAL\@/;
    $line =~ s/^(   \.\.\. \.\.\. file system name is:     ).*$/$1\@FSNAME\@/;
    print $line;
}
