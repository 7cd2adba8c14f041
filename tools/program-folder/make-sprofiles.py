#!/usr/bin/env python3
"""Writes the standard Windows Media profile folder (SProfiles): one .prx file per audio or
video stream choice, in the runtime's profile XML as UTF-16LE text, and SettingsMap.xml, the
UTF-8 index the profile page reads line by line (one tag a line).

Run from this folder after changing the choices below; the output is kept in the repository.
"""
import os
import uuid

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "SProfiles")

AUDIO_TYPE = "{73647561-0000-0010-8000-00AA00389B71}"
VIDEO_TYPE = "{73646976-0000-0010-8000-00AA00389B71}"
WMA_SUBTYPE = "{00000161-0000-0010-8000-00AA00389B71}"
WMV3_SUBTYPE = "{33564D57-0000-0010-8000-00AA00389B71}"
VERSION_9 = 0x00090000

# (kbps, sample rate, channels) and (width, height, fps, kbps)
AUDIO = {
    "a_32k": (32, 32000, 2), "a_48k": (48, 44100, 2), "a_64k": (64, 44100, 2),
    "a_96k": (96, 44100, 2), "a_128k": (128, 44100, 2), "a_192k": (192, 48000, 2),
}
VIDEO = {
    "v_176x144_15_100k": (176, 144, 15, 100), "v_208x160_15_150k": (208, 160, 15, 150),
    "v_320x240_15_225k": (320, 240, 15, 225), "v_320x240_25_282k": (320, 240, 25, 282),
    "v_320x240_25_500k": (320, 240, 25, 500), "v_640x480_25_1000k": (640, 480, 25, 1000),
    "v_640x480_25_1500k": (640, 480, 25, 1500), "v_720x576_25_2000k": (720, 576, 25, 2000),
    "v_720x576_25_4000k": (720, 576, 25, 4000), "v_720x576_25_6000k": (720, 576, 25, 6000),
}
# Destination number (the page's destination list) -> video choices, audio choices.
DESTINATIONS = {
    0: (["v_320x240_25_500k", "v_640x480_25_1000k", "v_720x576_25_2000k"], ["a_64k", "a_128k"]),
    1: (["v_320x240_25_500k", "v_640x480_25_1500k"], ["a_64k", "a_128k"]),
    2: (["v_320x240_25_282k", "v_176x144_15_100k", "v_320x240_25_500k", "v_640x480_25_1000k"], ["a_48k", "a_32k", "a_64k"]),
    3: (["v_320x240_25_282k", "v_640x480_25_1000k"], ["a_48k", "a_64k"]),
    4: (["v_720x576_25_4000k"], ["a_128k"]),
    5: (["v_208x160_15_150k", "v_320x240_15_225k"], ["a_32k", "a_48k"]),
    6: (["v_720x576_25_6000k", "v_720x576_25_4000k"], ["a_192k", "a_128k"]),
}


def audio_prx(name, kbps, rate, channels):
    block = 2973 if kbps >= 48 else 1487
    return (
        f'<profile version="{VERSION_9}" storageformat="1" name="{name}" description="">\r\n'
        f'  <streamconfig majortype="{AUDIO_TYPE}" streamnumber="1" streamname="Audio Stream" inputname="Audio409" '
        f'bitrate="{kbps * 1000}" bufferwindow="-1" reliabletransport="0" decodercomplexity="" rfc1766langid="zh-cn">\r\n'
        f'    <wmmediatype subtype="{WMA_SUBTYPE}" bfixedsizesamples="1" btemporalcompression="0" lsamplesize="{block}">\r\n'
        f'      <waveformatex wFormatTag="353" nChannels="{channels}" nSamplesPerSec="{rate}" '
        f'nAvgBytesPerSec="{kbps * 125}" nBlockAlign="{block}" wBitsPerSample="16" codecdata="008800000F0035B10000"/>\r\n'
        f'    </wmmediatype>\r\n'
        f'  </streamconfig>\r\n'
        f'</profile>'
    )


def video_prx(name, width, height, fps, kbps):
    frame = 10000000 // fps
    return (
        f'<profile version="{VERSION_9}" storageformat="1" name="{name}" description="">\r\n'
        f'  <streamconfig majortype="{VIDEO_TYPE}" streamnumber="1" streamname="Video Stream" inputname="Video409" '
        f'bitrate="{kbps * 1000}" bufferwindow="5000" reliabletransport="0" decodercomplexity="AU" rfc1766langid="zh-cn">\r\n'
        f'    <videomediaprops maxkeyframespacing="80000000" quality="75"/>\r\n'
        f'    <wmmediatype subtype="{WMV3_SUBTYPE}" bfixedsizesamples="0" btemporalcompression="1" lsamplesize="0">\r\n'
        f'      <videoinfoheader dwbitrate="{kbps * 1000}" dwbiterrorrate="0" avgtimeperframe="{frame}">\r\n'
        f'        <rcsource left="0" top="0" right="{width}" bottom="{height}"/>\r\n'
        f'        <rctarget left="0" top="0" right="{width}" bottom="{height}"/>\r\n'
        f'        <bitmapinfoheader biwidth="{width}" biheight="{height}" biplanes="1" bibitcount="24" bicompression="WMV3" '
        f'bisizeimage="0" bixpelspermeter="0" biypelspermeter="0" biclrused="0" biclrimportant="0"/>\r\n'
        f'      </videoinfoheader>\r\n'
        f'    </wmmediatype>\r\n'
        f'  </streamconfig>\r\n'
        f'</profile>'
    )


def audio_name(key):
    kbps, rate, channels = AUDIO[key]
    return f"音频：Windows Media Audio 9，{kbps} Kbps，{rate // 1000} kHz，立体声"


def video_name(key):
    width, height, fps, kbps = VIDEO[key]
    return f"视频：Windows Media Video 9，{width} x {height}，{fps} fps，{kbps} Kbps"


def write_prx(file, text):
    with open(os.path.join(OUT, file), "wb") as f:
        f.write(text.encode("utf-16-le"))


def main():
    os.makedirs(OUT, exist_ok=True)
    for key, (kbps, rate, channels) in AUDIO.items():
        write_prx(key + ".prx", audio_prx(audio_name(key), kbps, rate, channels))
    for key, (width, height, fps, kbps) in VIDEO.items():
        write_prx(key + ".prx", video_prx(video_name(key), width, height, fps, kbps))

    configs, choices = [], []
    for destination, (videos, audios) in sorted(DESTINATIONS.items()):
        for kind, keys, namer in (("VIDEO", videos, video_name), ("AUDIO", audios, audio_name)):
            for key in keys:
                # A fixed class per choice, so the file is the same on every run.
                guid = "{" + str(uuid.uuid5(uuid.NAMESPACE_URL, f"ravelmixer/sprofiles/{destination}/{key}")).upper() + "}"
                configs.append(f'<WMENCSTREAMCONFIG id="GUID {guid}">')
                configs.append(f'<WMENCSTREAMCONFIG_NAME name="{namer(key)}"/>')
                configs.append("</WMENCSTREAMCONFIG>")
                choices.append(f'<WMENC{kind}_CONFIG id="GUID {guid}" file="{key}.prx" Destination="{destination}"/>')
    lines = ['<?xml version="1.0" encoding="utf-8"?>', "<WMENCSETTINGSMAP>", "<STREAMCONFIGS>"]
    lines += configs + ["</STREAMCONFIGS>", "<CHOICES>"] + choices + ["</CHOICES>", "</WMENCSETTINGSMAP>", ""]
    with open(os.path.join(OUT, "SettingsMap.xml"), "wb") as f:
        f.write("\r\n".join(lines).encode("utf-8"))


if __name__ == "__main__":
    main()
