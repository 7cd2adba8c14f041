// Picture in picture: the preview grows into a box in the lower right corner of the program; at the end the
// box stays and program and preview keep their roles. Driven by hand, not by the transition time.
int _Type = 1;
int _ID = 10;
string _Name = "Picture in Picture";
codepage 936;
string _Description_cn = "画中画|预监画面以小窗口出现在节目画面的右下角。|结束后不交换节目与预监。";
codepage 950;
string _Description_td = "畫中畫|預監畫面以小窗口出現在節目畫面的右下角。|結束後不交換節目與預監。";
string _Description_us = "Picture in Picture|The preview appears in a box in the lower right corner.|Program and preview are not swapped at the end.";
bool _TimeSensitivity = false;
bool _SwapWhenOver = false;

float _Progress = 0;
int _field_x = 720;
int _field_y = 576;
float _line_x = 0.00138889;
float _line_y = 0.00173611;
float4x4 _mat_world;
float4x4 _mat_vp;

texture _tex0;
texture _tex1;
sampler s_tex0 = sampler_state {
    Texture = <_tex0>;
    MinFilter = LINEAR; MagFilter = LINEAR; MipFilter = NOFILTER;
    AddressU = CLAMP; AddressV = CLAMP;
};
sampler s_tex1 = sampler_state {
    Texture = <_tex1>;
    MinFilter = LINEAR; MagFilter = LINEAR; MipFilter = NOFILTER;
    AddressU = CLAMP; AddressV = CLAMP;
};

vertexshader vs_screen
{
    bind _mat_world c0;
    bind _mat_vp c4;
    asm {
        vs_2_0
        dcl_position v0
        dcl_texcoord0 v1
        dcl_texcoord1 v2
        dcl_texcoord2 v3
        m4x4 r0, v0, c0
        m4x4 oPos, r0, c4
        mov oT0, v1
        mov oT1, v2
        mov oT2, v3
    }
}

pixelshader ps_transition
{
    bind _Progress c0;
    bind s_tex0 s0;
    bind s_tex1 s1;
    asm {
        ps_2_0
        def c1, 0.95, 0.35, 0.0001, 1
        def c2, 0, 0, 0, 0
        dcl t0
        dcl_2d s0
        dcl_2d s1
        texld r0, t0, s0
        // the box spans from 0.95 - 0.35 p to 0.95 in both directions
        mul r1, c0.x, c1.y
        max r1, r1, c1.z
        add r2, c1.x, -r1.x
        mov r3, c2.x
        add r3.xy, t0, -r2.x
        rcp r4, r1.x
        mul r3, r3, r4.x
        texld r5, r3, s1
        // inside when 0 <= r3 <= 1 on both axes
        mov r6, c2.x
        add r6.xy, c1.w, -r3
        mov r7, c2.x
        mov r7.xy, r3
        cmp r6, r6, c1.w, c2.x
        cmp r7, r7, c1.w, c2.x
        mul r6, r6, r7
        mul r6.x, r6.x, r6.y
        add r8, c0.x, -c1.z
        cmp r8, r8.x, r6.x, c2.x
        lrp r9, r8.x, r5, r0
        mov oC0, r9
    }
}

technique PictureInPicture
{
    pass P0
    {
        VertexShader = vs_screen;
        PixelShader = ps_transition;
    }
}
