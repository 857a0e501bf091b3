#!/usr/bin/perl
# Writes the logo clip that the main window's video button plays: a light
# sweeping once across the logo, as an uncompressed 24-bit AVI (what the
# platform's animation control plays everywhere). The first and last frames
# are the logo itself, so the clip starts and ends on what the window shows.
#
# Usage: make-clip.pl LOGO.bmp OUT.avi [FRAMES] [FPS]
#   LOGO.bmp: a 24-bit uncompressed BMP (build-art.sh renders skins\logo.bmp).
# The same logo gives the same bytes.
use strict;
use warnings;

my ($logo, $out, $frames, $fps) = @ARGV;
die "usage: make-clip.pl LOGO.bmp OUT.avi [FRAMES] [FPS]\n" unless defined $out;
$frames //= 24;
$fps //= 24;
die "make-clip: FRAMES must be 2..600\n" unless $frames =~ /^\d+$/ && $frames >= 2 && $frames <= 600;
die "make-clip: FPS must be 1..60\n" unless $fps =~ /^\d+$/ && $fps >= 1 && $fps <= 60;

# --- the logo ------------------------------------------------------------------
open(my $in, '<:raw', $logo) or die "make-clip: cannot read $logo: $!\n";
my $bmp = do { local $/; <$in> };
close $in;
die "make-clip: $logo is not a BMP\n" unless length($bmp) >= 54 && substr($bmp, 0, 2) eq 'BM';
my ($offset) = unpack('V', substr($bmp, 10, 4));
my ($width, $height, $planes, $bits, $compression) = unpack('l< l< v v V', substr($bmp, 18, 16));
die "make-clip: $logo must be 24-bit uncompressed\n" unless $bits == 24 && $compression == 0;
my $bottomUp = $height > 0;
$height = abs($height);
die "make-clip: $logo has no pixels\n" unless $width > 0 && $height > 0 && $width <= 2048 && $height <= 2048;
my $stride = ($width * 3 + 3) & ~3;
die "make-clip: $logo is cut short\n" if length($bmp) < $offset + $stride * $height;

# Pixels top row first, each [b, g, r].
my @pixels;
for my $y (0 .. $height - 1) {
    my $row = $bottomUp ? $height - 1 - $y : $y;
    my @bytes = unpack('C*', substr($bmp, $offset + $row * $stride, $width * 3));
    push @pixels, \@bytes;
}

# --- frames -------------------------------------------------------------------------
# A slanted band of light in the skin's accent colour (#00C8FF) crosses from
# beyond the left edge to beyond the right; bright pixels (the letters and
# the emblem) catch more of it than the dark ground.
my @accent = (0xFF, 0xC8, 0x00);    # b, g, r
my $band = 16;                      # half width of the band, in pixels
my $slant = 0.6;
my $travel = $width + 2 * $band + $slant * $height;

sub frame_bytes {
    my ($f) = @_;
    my $centre = -$band - $slant * $height + $travel * $f / ($frames - 1);
    my $data = '';
    for my $y (reverse 0 .. $height - 1) {    # bottom-up, like the BMP format
        my $src = $pixels[$y];
        my @row = @$src;
        for my $x (0 .. $width - 1) {
            my $d = abs($x + $slant * $y - $centre);
            next if $d >= $band || $f == 0 || $f == $frames - 1;
            my $k = 1 - $d / $band;
            $k = $k * $k;
            my ($b, $g, $r) = @row[3 * $x .. 3 * $x + 2];
            my $lum = (0.11 * $b + 0.59 * $g + 0.3 * $r) / 255;
            my $gain = $k * (0.18 + 0.82 * $lum);
            my @c = ($b, $g, $r);
            for my $i (0 .. 2) {
                my $lit = $c[$i] + (255 - $c[$i]) * $gain * 0.9 + $accent[$i] * $k * 0.12;
                $c[$i] = $lit > 255 ? 255 : int($lit + 0.5);
            }
            @row[3 * $x .. 3 * $x + 2] = @c;
        }
        $data .= pack('C*', @row) . ("\0" x ($stride - $width * 3));
    }
    return $data;
}

# --- the AVI file ----------------------------------------------------------------------
sub chunk {
    my ($id, $data) = @_;
    my $pad = length($data) % 2 ? "\0" : '';
    return $id . pack('V', length $data) . $data . $pad;
}
sub list { my ($type, $data) = @_; return chunk('LIST', $type . $data); }

my $frameSize = $stride * $height;
my $avih = pack('V10 V4',
    int(1_000_000 / $fps),    # microseconds per frame
    $frameSize * $fps,        # most bytes per second
    0,                        # padding granularity
    0x10,                     # has an index
    $frames, 0, 1,            # frames, initial frames, streams
    $frameSize, $width, $height,
    0, 0, 0, 0);
my $strh = 'vids' . 'DIB ' . pack('V v v V V V V V V l< V s4',
    0, 0, 0, 0,               # flags, priority, language, initial frames
    1, $fps, 0, $frames,      # scale, rate, start, length
    $frameSize, -1, 0,        # suggested buffer size, quality, sample size
    0, 0, $width, $height);
my $strf = pack('V l< l< v v V V l< l< V V', 40, $width, $height, 1, 24, 0, $frameSize, 0, 0, 0, 0);
my $header = list('hdrl', chunk('avih', $avih) . list('strl', chunk('strh', $strh) . chunk('strf', $strf)));

my $movi = '';
my $index = '';
for my $f (0 .. $frames - 1) {
    my $at = 4 + length $movi;    # from the 'movi' type
    $movi .= chunk('00db', frame_bytes($f));
    $index .= '00db' . pack('V V V', 0x10, $at, $frameSize);    # every frame a key frame
}
my $riff = 'AVI ' . $header . list('movi', $movi) . chunk('idx1', $index);

open(my $avi, '>:raw', "$out.part") or die "make-clip: cannot write $out: $!\n";
print $avi 'RIFF', pack('V', length $riff), $riff;
close $avi or die "make-clip: cannot write $out: $!\n";
rename("$out.part", $out) or die "make-clip: cannot write $out: $!\n";
