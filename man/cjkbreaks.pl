#!/usr/bin/perl
# groff finds no place to break a line of Japanese, which has no blanks: give
# it one after every wide character of the text lines, and set them ragged.
use strict;
use warnings;
use open qw(:std :encoding(UTF-8));

while (my $line = <STDIN>) {
    $line =~ s/([\x{3000}-\x{9FFF}\x{FF00}-\x{FFEF}])(?=.)/$1\\:/g if $line !~ /^[.']/;
    print $line;
    print ".ad l\n.nh\n" if $line =~ /^\.TH /;
}
