# Draws the library's own cursors (quickdraw/cursors/*.cur): 32-by-32 one-bit cursor files.
import struct
def cur(path, art, hot):
    # art: rows of '#' black, '.' white, ' ' transparent
    rows=[r.ljust(32) for r in art]+[' '*32]*(32-len(art))
    xor=b''; andp=b''
    for r in reversed(rows):
        x=a=0
        for i,c in enumerate(r):
            bit=1<<(31-i)
            if c==' ': a|=bit
            elif c=='.': x|=bit
        xor+=struct.pack('>I',x); andp+=struct.pack('>I',a)
    bmp=struct.pack('<IiiHHIIiiII',40,32,64,1,1,0,256,0,0,2,0)+bytes([0,0,0,0,255,255,255,0])+xor+andp
    data=struct.pack('<HHH',0,2,1)+struct.pack('<BBBBHHII',32,32,0,0,hot[0],hot[1],len(bmp),22)+bmp
    open(path,'wb').write(data)
plus=['      ....','      .##.','      .##.','      .##.','      .##.','      .##.','.......##.......','.##############.','.##############.','.......##.......','      .##.','      .##.','      .##.','      .##.','      .##.','      ....']
plus=[r if len(r)==16 else r for r in plus]
cur('quickdraw/cursors/plus.cur',plus,(8,8))
arrow=['.','..','.#.','.##.','.###.','.####.','.#####.','.######.','.#######.','.########.','.#####....','.##.##.','.#. .##.','..  .##.','.    .##.','     .##.','      ..']
single=arrow+['          ........','          .######.','          .#....#.','          .######.','          ........']
multiple=arrow+['          ........','          .######..','          .#....##.','          .######.#.','          ........#.','           .######.','            ......']
cur('quickdraw/cursors/drag_single.cur',single,(1,1))
cur('quickdraw/cursors/drag_multiple.cur',multiple,(1,1))
