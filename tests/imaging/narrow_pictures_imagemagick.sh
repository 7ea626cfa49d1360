#!/usr/bin/env bash
# ImageMagick reads the narrow 32-bit pictures test_picture_recording wrote (in the working folder)
# as the pixels that program drew (the PPM beside each picture).
set -u
status=0
for width in 1 2 3; do
    name=narrow_direct_$width
    if [ ! -f "$name.pict" ] || [ ! -f "$name.ppm" ]; then
        echo "$name: not written by test_picture_recording"
        status=1
        continue
    fi
    if ! convert "$name.pict" -depth 8 ppm:"$name.decoded.ppm" 2>"$name.err"; then
        echo "$name: ImageMagick refuses it: $(cat "$name.err")"
        status=1
    elif ! cmp -s "$name.decoded.ppm" "$name.ppm"; then
        echo "$name: ImageMagick decodes other pixels:"
        convert "$name.decoded.ppm" txt:- | tail -n +2
        status=1
    else
        echo "$name: read back"
    fi
done
exit $status
